#include "firmware/Crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kelvo {
namespace {

// The CRC computed bit by bit, to check every entry of the table.
uint32_t BitwiseCrc32(const std::vector<uint8_t>& data) {
  uint32_t reg = 0xFFFFFFFFu;
  for (uint8_t byte : data) {
    reg ^= byte;
    for (int bit = 0; bit < 8; ++bit) reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
  }
  return ~reg;
}

TEST(Crc32, CheckValueOfTheNineDigits) { EXPECT_EQ(Crc32Update("123456789", 9, 0), 0xCBF43926u); }

TEST(Crc32, ChainedRunsEqualOneRunAndAnEmptyRunChangesNothing) {
  const char* text = "123456789";
  const uint32_t first = Crc32Update(text, 4, 0);
  EXPECT_EQ(Crc32Update(text + 4, 5, first), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(text, 0, 0x12345678u), 0x12345678u);
  EXPECT_EQ(Crc32Update(nullptr, 0, 0), 0u);
}

TEST(Crc32, EveryByteValueAndRandomRunsMatchTheBitwiseDefinition) {
  for (int b = 0; b < 256; ++b) {
    const std::vector<uint8_t> one{static_cast<uint8_t>(b)};
    ASSERT_EQ(Crc32Update(one.data(), 1, 0), BitwiseCrc32(one)) << "byte " << b;
  }
  std::mt19937 random(7);
  std::vector<uint8_t> data(4099);
  for (auto& byte : data) byte = static_cast<uint8_t>(random());
  EXPECT_EQ(Crc32Update(data.data(), static_cast<uint32_t>(data.size()), 0), BitwiseCrc32(data));
}

}  // namespace
}  // namespace kelvo
