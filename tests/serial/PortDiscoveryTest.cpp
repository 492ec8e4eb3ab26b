#include "serial/PortDiscovery.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

using TNames = std::vector<std::string>;

struct TFakeValue {
  std::string Name;
  uint32_t Type;
  std::string Data;  // raw bytes, the terminating null included where wanted
};

// A key shaped like the serial device map: values read in the order given.
class TFakeKey : public TSerialCommKey {
 public:
  explicit TFakeKey(std::vector<TFakeValue> values, bool namesFail = false)
      : Values(std::move(values)), NamesFail(namesFail) {}
  bool ValueNames(TNames& names) override {
    if (NamesFail) return false;
    for (const auto& v : Values) names.push_back(v.Name);
    return true;
  }
  bool QueryValue(const std::string& name, TRegistryValue& value) override {
    for (const auto& v : Values)
      if (v.Name == name) {
        value.Type = v.Type;
        value.Data.assign(v.Data.begin(), v.Data.end());
        return true;
      }
    return false;
  }

 private:
  std::vector<TFakeValue> Values;
  bool NamesFail;
};

TFakeValue Sz(const std::string& name, const std::string& text) { return {name, RegSz, text + std::string(1, '\0')}; }

TNames Enumerate(const std::vector<TFakeValue>& values) {
  TNames list{"stale entry"};
  EnumerateSerialPorts(list, [&] { return std::make_unique<TFakeKey>(values); });
  return list;
}

TEST(EnumerateSerialPorts, SortsByPortNumberNotByText) {
  EXPECT_EQ(Enumerate({Sz("\\Device\\Serial0", "COM10"), Sz("\\Device\\Serial1", "COM2"),
                       Sz("\\Device\\Serial2", "COM1")}),
            (TNames{"COM1", "COM2", "COM10"}));
}

TEST(EnumerateSerialPorts, NamesWithoutANumberCountAsZeroAndAreKept) {
  EXPECT_EQ(Enumerate({Sz("a", "COM3"), Sz("b", "CNCA0"), Sz("c", "COM1")}), (TNames{"CNCA0", "COM1", "COM3"}));
  EXPECT_EQ(Enumerate({Sz("a", "COM3"), Sz("b", ""), Sz("c", "COM1")}), (TNames{"", "COM1", "COM3"}));
  EXPECT_EQ(Enumerate({Sz("a", "COM4"), Sz("b", "COM4")}), (TNames{"COM4", "COM4"}));
  // The stored characters up to the first null; REG_EXPAND_SZ is read the same, unexpanded.
  EXPECT_EQ(Enumerate({{"a", RegExpandSz, std::string("COM%X%\0junk", 10)}, {"b", RegSz, "COM2"}}),
            (TNames{"COM%X%", "COM2"}));
}

TEST(EnumerateSerialPorts, ANonStringValueEndsTheGathering) {
  EXPECT_EQ(Enumerate({Sz("a", "COM7"), Sz("b", "COM5"), {"c", RegDword, std::string("\x01\0\0\0", 4)},
                       Sz("d", "COM1")}),
            (TNames{"COM5", "COM7"}));
  // A value with no data reads as empty text whatever its type.
  EXPECT_EQ(Enumerate({{"a", RegDword, ""}, Sz("b", "COM1")}), (TNames{"", "COM1"}));
}

TEST(EnumerateSerialPorts, MissingKeyOrUnreadableNamesGiveAnEmptyList) {
  TNames list{"COM1"};
  EnumerateSerialPorts(list, [] { return std::unique_ptr<TSerialCommKey>(); });
  EXPECT_TRUE(list.empty());
  list = {"COM1"};
  EnumerateSerialPorts(list, [] { return std::make_unique<TFakeKey>(std::vector<TFakeValue>{Sz("a", "COM1")}, true); });
  EXPECT_TRUE(list.empty());
}

TEST(ComparePortNumbers, UsesCharactersFourToNineteen) {
  const TNames list{"COM2", "COM10", "XYZ2", "CO", "COM12345678901234567", "COM1234567890123456"};
  EXPECT_LT(ComparePortNumbers(list, 0, 1), 0);
  EXPECT_GT(ComparePortNumbers(list, 1, 0), 0);
  EXPECT_EQ(ComparePortNumbers(list, 0, 2), 0);  // the first three characters are skipped whatever they are
  EXPECT_EQ(PortSortNumber("CO"), 0);
  EXPECT_EQ(PortSortNumber("COM-5"), -5);
  // 17 digits are cut to 16, which overflows: 0. 16 digits overflow too.
  EXPECT_EQ(PortSortNumber(list[4]), 0);
  EXPECT_EQ(PortSortNumber("COM2147483647"), 2147483647);
}

}  // namespace
}  // namespace kelvo
