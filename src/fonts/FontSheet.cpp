#include "fonts/FontSheet.h"

#include <vector>

namespace kelvo {

namespace {

uint32_t Le32At(const uint8_t* b, uint32_t offset) {
  return static_cast<uint32_t>(b[offset]) | static_cast<uint32_t>(b[offset + 1]) << 8 |
         static_cast<uint32_t>(b[offset + 2]) << 16 | static_cast<uint32_t>(b[offset + 3]) << 24;
}

uint32_t Le16At(const uint8_t* b, uint32_t offset) {
  return static_cast<uint32_t>(b[offset]) | static_cast<uint32_t>(b[offset + 1]) << 8;
}

// The headers must describe exactly what the fixed offsets below read: an
// uncompressed bottom-up 8-bit picture of 425 rows of 172 stored bytes whose
// pixels start at 1078. Anything else would convert into a scrambled font.
void CheckFontSheetHeaders(const uint8_t* file) {
  if (file[0] != 'B' || file[1] != 'M') throw EFontSheetError("BM signature expected");
  if (Le32At(file, 10) != FontSheetPixelOffset) throw EFontSheetError("pixel data at offset 1078 expected");
  if (Le32At(file, 14) != 40) throw EFontSheetError("40-byte info header expected");
  const auto width = static_cast<int32_t>(Le32At(file, 18));
  if (width < 170 || width > 172) throw EFontSheetError("width of 170 to 172 pixels expected");
  const auto height = static_cast<int32_t>(Le32At(file, 22));
  if (height != static_cast<int32_t>(FontSheetRows)) throw EFontSheetError("height of 425 rows, stored bottom-up, expected");
  if (Le16At(file, 28) != 8) throw EFontSheetError("8 bits per pixel expected");
  if (Le32At(file, 30) != 0) throw EFontSheetError("uncompressed pixel data expected");
}

uint8_t PixelCode(uint8_t paletteIndex) { return paletteIndex == 0 ? 1 : paletteIndex == 255 ? 2 : 0; }

}  // namespace

void ConvertFontSheet(TByteBuffer& content, TByteBuffer& table) {
  if (content.Size() < FontSheetMinFileSize) throw EStreamReadError();
  CheckFontSheetHeaders(content.Data());

  content.SetPosition(FontSheetPixelOffset);
  std::vector<uint8_t> pixels(FontSheetPixelBytes);
  content.ReadBuffer(pixels.data(), pixels.size());

  std::vector<uint8_t> glyphs;
  glyphs.reserve(FontTableSize);
  for (uint32_t i = 0; i < 17; ++i) {
    for (uint32_t j = 0; j < 10; ++j) {
      for (uint32_t k = 0; k < 24; ++k) {
        // Stored rows run bottom-up: picture row 25i + k is stored row 424 - 25i - k.
        const uint8_t* row = pixels.data() + FontSheetRowBytes * (424 - 25 * i - k) + 17 * j;
        for (uint32_t q = 0; q < 4; ++q) {
          uint8_t packed = 0;
          for (uint32_t p = 0; p < 4; ++p) packed |= static_cast<uint8_t>(PixelCode(row[1 + 4 * q + p]) << (2 * p));
          glyphs.push_back(packed);
        }
      }
    }
  }
  table.Append(glyphs.data(), glyphs.size());
}

void SaveFontTable(const TByteBuffer& table, const std::string& fileName) { table.SaveToFile(fileName); }

}  // namespace kelvo
