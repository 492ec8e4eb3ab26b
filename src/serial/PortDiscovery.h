#pragma once
// The list of the system's serial ports, as the port box shows it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvo {

// Registry value types that matter here (the Win32 numbers).
constexpr uint32_t RegSz = 1;
constexpr uint32_t RegExpandSz = 2;
constexpr uint32_t RegDword = 4;

struct TRegistryValue {
  uint32_t Type = 0;
  std::vector<uint8_t> Data;
};

// The serial device map, opened for reading: "\Hardware\DeviceMap\SerialComm"
// under HKEY_LOCAL_MACHINE on Windows, or a stand-in shaped like it.
class TSerialCommKey {
 public:
  virtual ~TSerialCommKey() = default;
  // The value names, in the order the registry gives them; false on an error.
  virtual bool ValueNames(std::vector<std::string>& names) = 0;
  // A value's type and data; false when they cannot be obtained.
  virtual bool QueryValue(const std::string& name, TRegistryValue& value) = 0;
};

// Opens the key; null when it is missing or cannot be opened.
using TSerialCommKeyOpener = std::function<std::unique_ptr<TSerialCommKey>()>;

// Port number of a list entry: TextToIntDef of its characters 4 to 19, default 0.
int32_t PortSortNumber(const std::string& entry);
// Negative, 0 or positive as the entry at index1 numbers below, equal to or above index2.
int ComparePortNumbers(const std::vector<std::string>& list, size_t index1, size_t index2);

// Empties list and fills it with the port names of the key, sorted by port
// number. Errors never leave it: what was gathered before one is listed.
void EnumerateSerialPorts(std::vector<std::string>& list, const TSerialCommKeyOpener& openKey);

// The serial ports of this system: the registry's device map on Windows,
// the serial devices under /sys/class/tty on Linux.
void EnumerateSystemSerialPorts(std::vector<std::string>& list);

}  // namespace kelvo
