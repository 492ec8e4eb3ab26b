#include "serial/posix/SysfsPorts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace kelvo {
namespace {

namespace fs = std::filesystem;

class SysfsPorts : public ::testing::Test {
 protected:
  // A tty entry with a device behind it; type for the serial core's ttyS lines.
  void AddTty(const std::string& name, bool device, const char* type = nullptr) {
    const fs::path dir = fs::path(Root.Path()) / "class/tty" / name;
    fs::create_directories(dir);
    if (device) fs::create_directories(dir / "device");
    if (type) test::WriteFileBytes((dir / "type").string(), type);
  }
  test::TTempDir Root;
};

TEST_F(SysfsPorts, ListsRealSerialDevicesInNaturalOrder) {
  AddTty("tty0", false);
  AddTty("console", false);
  AddTty("ptmx", false);
  AddTty("ttyS0", true, "4\n");
  AddTty("ttyS1", true, "0\n");  // a line without a UART
  AddTty("ttyS10", true, "4\n");
  AddTty("ttyS2", true, "4\n");
  AddTty("ttyUSB10", true);
  AddTty("ttyUSB2", true);
  AddTty("ttyACM0", true);
  AddTty("ttyAMA0", true);
  std::vector<std::string> list{"stale"};
  EnumerateSysfsSerialPorts(list, Root.Path(), "/dev");
  EXPECT_EQ(list, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10",
                                            "/dev/ttyUSB2", "/dev/ttyUSB10"}));
}

TEST_F(SysfsPorts, MissingTreeGivesAnEmptyList) {
  std::vector<std::string> list{"stale"};
  EnumerateSysfsSerialPorts(list, Root.File("nothing-here"));
  EXPECT_TRUE(list.empty());
}

TEST(NaturalPortLess, NameThenNumber) {
  EXPECT_TRUE(NaturalPortLess("ttyUSB2", "ttyUSB10"));
  EXPECT_FALSE(NaturalPortLess("ttyUSB10", "ttyUSB2"));
  EXPECT_TRUE(NaturalPortLess("ttyACM9", "ttyS0"));
  EXPECT_TRUE(NaturalPortLess("ttyS", "ttyS0"));
}

}  // namespace
}  // namespace kelvo
