#include "fonts/FontSheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "fonts/FontSheetWriter.h"
#include "support/TempDir.h"

namespace kelvo {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Convert(const TBytes& file) {
  TByteBuffer content(file);
  TByteBuffer table;
  ConvertFontSheet(content, table);
  EXPECT_EQ(content.Position(), FontSheetMinFileSize);
  return table.Contents();
}

// Every glyph pixel of a sheet set to one index.
TBytes UniformSheet(uint8_t index) {
  TFontSheet sheet(170, index);
  return sheet.Bytes();
}

TEST(ConvertFontSheet, UniformSheetsGiveUniformTables) {
  struct TCase {
    uint8_t Index;
    uint8_t Byte;
  };
  for (const TCase c : {TCase{0, 0x55}, TCase{255, 0xAA}, TCase{7, 0x00}, TCase{2, 0x00}}) {
    const TBytes table = Convert(UniformSheet(c.Index));
    ASSERT_EQ(table.size(), FontTableSize);
    EXPECT_EQ(table, TBytes(FontTableSize, c.Byte)) << "index " << int(c.Index);
  }
}

TEST(ConvertFontSheet, WorkedRowPacksTheLeftmostPixelIntoTheLowBits) {
  TFontSheet sheet;
  const uint8_t row[4] = {0, 255, 7, 0};
  for (int p = 0; p < 4; ++p) sheet.SetGlyphPixel(0, p, 0, row[p]);
  EXPECT_EQ(Convert(sheet.Bytes())[0], 0x49);
}

TEST(ConvertFontSheet, CornerPixelsLandAtTheFirstAndLastTableBytes) {
  EXPECT_EQ(TFontSheet::FileOffset(1, 0), 74007u);
  EXPECT_EQ(TFontSheet::FileOffset(169, 423), 1419u);
  TFontSheet sheet;
  sheet.SetPixel(1, 0, 255);
  sheet.SetPixel(169, 423, 0);
  const TBytes table = Convert(sheet.Bytes());
  EXPECT_EQ(table[0], 0x02);
  EXPECT_EQ(table[16319], 0x40);
  EXPECT_EQ(std::count(table.begin(), table.end(), 0), static_cast<long>(FontTableSize - 2));
}

TEST(ConvertFontSheet, SeparatingGridAndSpareColumnsAreNeverRead) {
  const TBytes plain = Convert(TFontSheet(172).Bytes());
  TFontSheet grid(172);
  for (int y = 0; y < 425; ++y) {
    for (int j = 0; j < 10; ++j) grid.SetPixel(17 * j, y, 0);  // first column of every cell
    grid.SetPixel(170, y, 255);
    grid.SetPixel(171, y, 0);
  }
  for (int x = 0; x < 172; ++x)
    for (int i = 0; i < 17; ++i) grid.SetPixel(x, 25 * i + 24, 255);  // last row of every cell
  EXPECT_EQ(Convert(grid.Bytes()), plain);
}

TEST(ConvertFontSheet, GlyphGeometryFollowsTheTableLayout) {
  TFontSheet sheet;
  // Glyph 37 (cell row 3, column 7), pixel row 5, pixel 9 is byte 2 of that row, bits 2-3.
  sheet.SetGlyphPixel(37, 9, 5, 255);
  const TBytes table = Convert(sheet.Bytes());
  EXPECT_EQ(table[96 * 37 + 4 * 5 + 2], 0x08);
  TFontSheet redrawn;
  redrawn.DrawTable(table);
  EXPECT_EQ(Convert(redrawn.Bytes()), table);
}

TEST(ConvertFontSheet, FileLengthBoundaries) {
  TBytes exact = UniformSheet(0);
  ASSERT_EQ(exact.size(), 74178u);
  TBytes longer = exact;
  longer.resize(80000, 0x42);  // bytes after 74,177 never matter
  EXPECT_EQ(Convert(longer), Convert(exact));
  TBytes shorter = exact;
  shorter.pop_back();
  TByteBuffer content(shorter), table;
  EXPECT_THROW(ConvertFontSheet(content, table), EStreamReadError);
  EXPECT_EQ(table.Size(), 0u);
}

struct THeaderCase {
  const char* Name;
  uint32_t Offset;
  std::vector<uint8_t> Bytes;
  const char* Message;
};

class FontSheetHeaders : public ::testing::TestWithParam<THeaderCase> {};

TEST_P(FontSheetHeaders, AnotherPictureIsRefusedWithItsReason) {
  const THeaderCase& c = GetParam();
  TBytes file = UniformSheet(0);
  for (size_t i = 0; i < c.Bytes.size(); ++i) file[c.Offset + i] = c.Bytes[i];
  TByteBuffer content(file), table;
  try {
    ConvertFontSheet(content, table);
    FAIL() << "converted";
  } catch (const EFontSheetError& e) {
    EXPECT_EQ(std::string(e.what()), std::string("Not a font sheet: ") + c.Message);
  }
  EXPECT_EQ(table.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FontSheetHeaders,
    ::testing::Values(THeaderCase{"Signature", 0, {'P', 'K'}, "BM signature expected"},
                      THeaderCase{"SmallerPalette", 10, {0x36, 0x01, 0, 0}, "pixel data at offset 1078 expected"},
                      THeaderCase{"CoreHeader", 14, {12, 0, 0, 0}, "40-byte info header expected"},
                      THeaderCase{"Narrow", 18, {169, 0, 0, 0}, "width of 170 to 172 pixels expected"},
                      THeaderCase{"Wide", 18, {173, 0, 0, 0}, "width of 170 to 172 pixels expected"},
                      THeaderCase{"TopDown", 22, {0x57, 0xFE, 0xFF, 0xFF}, "height of 425 rows, stored bottom-up, expected"},
                      THeaderCase{"Shorter", 22, {0xA8, 0x01, 0, 0}, "height of 425 rows, stored bottom-up, expected"},
                      THeaderCase{"FourBits", 28, {4, 0}, "8 bits per pixel expected"},
                      THeaderCase{"RunLength", 30, {1, 0, 0, 0}, "uncompressed pixel data expected"}),
    [](const ::testing::TestParamInfo<THeaderCase>& info) { return std::string(info.param.Name); });

TEST(SaveFontTable, WritesExactlyTheTableAndReplacesAnOlderFile) {
  test::TTempDir dir;
  const std::string path = dir.File(FontTableFileName);
  test::WriteFileBytes(path, std::string(50000, 'x'));
  TByteBuffer content(UniformSheet(255)), table;
  ConvertFontSheet(content, table);
  SaveFontTable(table, path);
  EXPECT_EQ(test::ReadFileBytes(path), std::string(FontTableSize, '\xAA'));
}

}  // namespace
}  // namespace kelvo
