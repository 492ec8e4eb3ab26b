#include "protocol/BlcFrame.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kelvo {
namespace {

using TWire = std::array<uint8_t, 7>;

TWire Wire(const TBlcFrame& f) {
  TWire w;
  std::copy(std::begin(f.Bytes), std::end(f.Bytes), w.begin());
  return w;
}

TBlcFrame FromWire(const TWire& w) {
  TBlcFrame f;
  std::copy(w.begin(), w.end(), f.Bytes);
  return f;
}

TBlcFrame Built(uint8_t code) {
  TBlcFrame f{};
  f.InitFrame();
  f.SetCommand(code);
  f.SetCheckSum();
  return f;
}

TBlcFrame PageFrame(uint16_t number, const std::vector<uint8_t>& page) {
  TBlcFrame f{};
  f.InitFrame();
  f.SetCommand(blcWriteFlashPage);
  f.SetPageNumber(number);
  f.SetDataSum(page.data(), static_cast<uint32_t>(page.size()));
  f.SetCheckSum();
  return f;
}

TEST(BlcFrame, WorkedFrames) {
  EXPECT_EQ(Wire(Built(blcAckVersion)), (TWire{0xFF, 0x45, 0, 0, 0, 0, 0x45}));
  EXPECT_EQ(Wire(Built(blcRestart)), (TWire{0xFF, 0x44, 0, 0, 0, 0, 0x44}));
  EXPECT_EQ(Wire(Built(blcAckOk)), (TWire{0xFF, 0x41, 0, 0, 0, 0, 0x41}));
  EXPECT_EQ(Wire(PageFrame(0, std::vector<uint8_t>(256, 0xFF))), (TWire{0xFF, 0x40, 0, 0, 0xFF, 0x00, 0x3F}));
  std::vector<uint8_t> ramp(264);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(Wire(PageFrame(1582, ramp)), (TWire{0xFF, 0x40, 0x06, 0x2E, 0x7F, 0x9C, 0x8F}));
  EXPECT_EQ(Wire(PageFrame(1582, std::vector<uint8_t>(264, 0xFF))), (TWire{0xFF, 0x40, 0x06, 0x2E, 0x06, 0xF8, 0x72}));
}

TEST(BlcFrame, ChecksumCheckNeedsTheStartByteAndTheSum) {
  EXPECT_TRUE(FromWire({0xFF, 0x41, 0, 0, 0, 0, 0x41}).IsCorrectCheckSum());
  EXPECT_FALSE(FromWire({0xFF, 0x41, 0, 0, 0, 0, 0x40}).IsCorrectCheckSum());
  EXPECT_FALSE(FromWire({0xFE, 0x41, 0, 0, 0, 0, 0x41}).IsCorrectCheckSum());
  EXPECT_TRUE(FromWire({0xFF, 0x41, 0, 0x17, 0, 0, 0x58}).IsCorrectCheckSum());  // byte 3 only counts in the sum
  EXPECT_EQ(FromWire({0xFF, 0x90, 0x00, 0x05, 0xFF, 0xFF, 0}).CalcCheckSum(), 0x93);
}

TEST(BlcFrame, PageNumbersAndDataSumsWrapAt16Bits) {
  EXPECT_EQ(PageDataSum(std::vector<uint8_t>(264, 0xFF).data(), 264), 0x06F8);
  TBlcFrame f{};
  f.SetPageNumber(static_cast<uint16_t>(65536));
  EXPECT_EQ(f.Bytes[2], 0x00);
  EXPECT_EQ(f.Bytes[3], 0x00);
  f.SetPageNumber(static_cast<uint16_t>(70000));
  EXPECT_EQ(f.Bytes[2], 0x11);
  EXPECT_EQ(f.Bytes[3], 0x70);
}

TEST(BlcFrame, SetCommandClearsTheDataButKeepsStartAndOldChecksum) {
  TBlcFrame f = PageFrame(0x1234, {1, 2, 3});
  f.Bytes[0] = 0xAB;
  const uint8_t oldSum = f.Bytes[6];
  f.SetCommand(blcRestart);
  EXPECT_EQ(Wire(f), (TWire{0xAB, 0x44, 0, 0, 0, 0, oldSum}));
  f.InitFrame();
  EXPECT_EQ(f.Bytes[0], 0xFF);
  EXPECT_EQ(f.GetCommand(), blcRestart);
}

TEST(BlcFrame, CodeTable) {
  struct TEntry {
    uint8_t Code;
    const char* Name;
  };
  for (const TEntry e : {TEntry{0x40, "blcWriteFlashPage"}, TEntry{0x80, "blcWriteEepromPage"},
                         TEntry{0x90, "blcWriteFlashRbfPage"}, TEntry{0x44, "blcRestart"},
                         TEntry{0x45, "blcAckVersion"}, TEntry{0x41, "blcAckOk"}, TEntry{0x42, "blcErrPageCheckSum"},
                         TEntry{0x43, "blcErrPageNumber"}})
    EXPECT_STREQ(BlcCodeName(e.Code), e.Name);
  EXPECT_EQ(BlcCodeName(0x46), nullptr);
}

}  // namespace
}  // namespace kelvo
