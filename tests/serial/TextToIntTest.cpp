#include "serial/TextToInt.h"

#include <gtest/gtest.h>

#include "serial/PortName.h"

namespace kelvo {
namespace {

TEST(TextToIntDef, Table) {
  struct TCase {
    const char* Text;
    int32_t Expected;
  };
  const int32_t D = -777;
  const TCase cases[] = {
      {"12", 12},           {" 12", 12},          {"   7", 7},          {"-12", -12},        {"+12", 12},
      {"$1F", 31},          {"0x1F", 31},         {"0X1f", 31},        {"x1F", 31},         {"X1F", 31},
      {"$FFFFFFFF", -1},    {"$000000001", 1},    {"$100000000", D},   {"-2147483648", INT32_MIN},
      {"2147483647", INT32_MAX},                  {"2147483648", D},   {"-2147483649", D},  {"0", 0},
      {"010", 10},          {"00000000000012", 12},                    {"", D},             {"   ", D},
      {"12 ", D},           {"-$5", D},           {"+0x5", D},         {"0x", D},           {"$", D},
      {"+", D},             {"-", D},             {"\t12", D},         {"1 2", D},          {"12a", D},
      {"$G", D},            {"0b1", D},
  };
  for (const TCase& c : cases) EXPECT_EQ(TextToIntDef(c.Text, D), c.Expected) << '"' << c.Text << '"';
}

TEST(ComPortText, Table) {
  struct TCase {
    const char* Text;
    bool HasPrefix;
    int32_t Number;
  };
  const TCase cases[] = {
      {"COM3", true, 3},     {"COM12", true, 12},  {"COM 3", true, 3},  {"COM+3", true, 3},  {"COM$A", true, 10},
      {"COM0x0A", true, 10}, {"COM010", true, 10}, {"COM-1", true, -1}, {"COM", true, 0},    {"COM0", true, 0},
      {"COMx", true, 0},     {"COM3 ", true, 0},   {"COM3a", true, 0},  {"com3", false, 0},  {" COM3", false, 0},
      {"", false, 0},        {"CO", false, 0},
  };
  for (const TCase& c : cases) {
    const std::optional<int32_t> number = ComPortNumber(c.Text);
    EXPECT_EQ(number.has_value(), c.HasPrefix) << c.Text;
    if (number) {
      EXPECT_EQ(*number, c.Number) << c.Text;
    }
  }
  EXPECT_EQ(ComDevicePath(3), "\\\\.\\COM3");
  EXPECT_EQ(ComDevicePath(12), "\\\\.\\COM12");
  EXPECT_EQ(ComDevicePath(-1), "\\\\.\\COM-1");
}

TEST(DevicePathText, OnlyAbsolutePathsNameADevice) {
  EXPECT_TRUE(IsDevicePathText("/dev/ttyUSB0"));
  EXPECT_TRUE(IsDevicePathText("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
  EXPECT_FALSE(IsDevicePathText("ttyUSB0"));
  EXPECT_FALSE(IsDevicePathText(""));
  EXPECT_FALSE(IsDevicePathText("/"));
  EXPECT_FALSE(IsDevicePathText("COM3"));
}

}  // namespace
}  // namespace kelvo
