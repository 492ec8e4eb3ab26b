// Port discovery from the registry's serial device map, in the test
// prefix's own (volatile) registry under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/PortDiscovery.h"

namespace kelvo {
namespace {

const char* Key = "Hardware\\DeviceMap\\SerialComm";

class RegistryPorts : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key); }
  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key); }
  void Add(const char* name, const char* port) {
    Put(name, REG_SZ, reinterpret_cast<const BYTE*>(port), static_cast<DWORD>(strlen(port) + 1));
  }
  void Put(const char* name, DWORD type, const BYTE* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, Key, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, data, size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

// Value names sort the same way case-insensitively (Wine's order) as in
// order of creation (Windows' order).
TEST_F(RegistryPorts, ListsThePortsSortedByNumber) {
  Add("\\Device\\Serial1", "COM10");
  Add("\\Device\\Serial2", "COM2");
  Add("\\Device\\Serial3", "COM1");
  std::vector<std::string> list;
  EnumerateSystemSerialPorts(list);
  EXPECT_EQ(list, (std::vector<std::string>{"COM1", "COM2", "COM10"}));
}

TEST_F(RegistryPorts, ADwordValueEndsTheGathering) {
  Add("\\Device\\Serial1", "COM7");
  Add("\\Device\\Serial2", "COM3");
  const DWORD number = 5;
  Put("\\Device\\Serial3", REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  Add("\\Device\\Serial4", "COM1");
  std::vector<std::string> list;
  EnumerateSystemSerialPorts(list);
  EXPECT_EQ(list, (std::vector<std::string>{"COM3", "COM7"}));
}

TEST_F(RegistryPorts, MissingKeyGivesAnEmptyList) {
  std::vector<std::string> list{"COM1"};
  EnumerateSystemSerialPorts(list);
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace kelvo
