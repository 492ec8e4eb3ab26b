#pragma once
// How a port text names a device. On Windows a port is "COM" and a number,
// opened as "\\.\COM<n>"; on POSIX systems a port is its device path.
#include <cstdint>
#include <optional>
#include <string>

namespace kelvo {

enum TPortNaming : uint8_t {
  pnComNumber,  // "COM" followed by a number
  pnDevicePath, // an absolute device path
};

// The number of a "COM<n>" text (exactly "COM", case included, then
// TextToIntDef of the rest with default 0); nothing when the text does not
// start with "COM". 0 means no port.
std::optional<int32_t> ComPortNumber(const std::string& text);

// "\\.\COM" followed by the number in decimal, for every number.
std::string ComDevicePath(int32_t portNumber);

// A POSIX port text is usable when it is an absolute path.
bool IsDevicePathText(const std::string& text);

}  // namespace kelvo
