#pragma once
// Log lines are narrow strings in the platform's narrow encoding: the ANSI
// code page on Windows, UTF-8 elsewhere.
#include <string>

#if defined(_WIN32)
#define KELVO_O_ACUTE "\xF3"
#else
#define KELVO_O_ACUTE "\xC3\xB3"
#endif

namespace kelvo {

// printf-style formatting into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace kelvo
