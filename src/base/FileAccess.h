#pragma once
// The two ways the tool opens files; each platform keeps its own rules for
// sharing a file with other programs.
#include <cstdio>
#include <string>

namespace kelvo {

// For reading, while others may still read (and write) the file. Null on failure.
std::FILE* OpenFileForSharedRead(const std::string& path);
// Created or truncated, for writing, with no other program reading or writing
// it meanwhile where the platform can enforce that. Null on failure.
std::FILE* CreateFileExclusive(const std::string& path);

}  // namespace kelvo
