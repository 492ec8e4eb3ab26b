#include <windows.h>

#include <vector>

#include "serial/PortDiscovery.h"

namespace kelvo {

namespace {

// RegOpenKeyExA refuses a subkey with a leading backslash, so the absolute
// path "\Hardware\DeviceMap\SerialComm" is given without it.
constexpr const char* SerialCommPath = "Hardware\\DeviceMap\\SerialComm";

class TRegistrySerialCommKey : public TSerialCommKey {
 public:
  explicit TRegistrySerialCommKey(HKEY key) : Key(key) {}
  ~TRegistrySerialCommKey() override { RegCloseKey(Key); }
  TRegistrySerialCommKey(const TRegistrySerialCommKey&) = delete;
  TRegistrySerialCommKey& operator=(const TRegistrySerialCommKey&) = delete;

  bool ValueNames(std::vector<std::string>& names) override {
    DWORD count = 0, longestName = 0;
    if (RegQueryInfoKeyA(Key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    std::vector<char> name(longestName + 1);
    for (DWORD index = 0; index < count; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      if (RegEnumValueA(Key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
      names.emplace_back(name.data(), length);
    }
    return true;
  }

  bool QueryValue(const std::string& name, TRegistryValue& value) override {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(Key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    value.Type = type;
    value.Data.assign(size, 0);
    if (size == 0) return true;
    if (RegQueryValueExA(Key, name.c_str(), nullptr, &type, value.Data.data(), &size) != ERROR_SUCCESS) return false;
    value.Data.resize(size);
    return true;
  }

 private:
  HKEY Key;
};

std::unique_ptr<TSerialCommKey> OpenSerialCommKey() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialCommPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<TRegistrySerialCommKey>(key);
}

}  // namespace

void EnumerateSystemSerialPorts(std::vector<std::string>& list) { EnumerateSerialPorts(list, OpenSerialCommKey); }

}  // namespace kelvo
