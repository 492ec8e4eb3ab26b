#include "fonts/FontSheetWriter.h"

#include "fonts/FontSheet.h"

namespace kelvo {

namespace {
void PutLe(std::vector<uint8_t>& b, uint32_t offset, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) b[offset + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}
}  // namespace

TFontSheet::TFontSheet(int32_t width, uint8_t background)
    : FWidth(width), Pixels(FontSheetPixelBytes, background) {}

uint32_t TFontSheet::FileOffset(int32_t x, int32_t y) {
  return FontSheetPixelOffset + FontSheetRowBytes * static_cast<uint32_t>(424 - y) + static_cast<uint32_t>(x);
}

void TFontSheet::SetPixel(int32_t x, int32_t y, uint8_t paletteIndex) {
  Pixels[FileOffset(x, y) - FontSheetPixelOffset] = paletteIndex;
}

void TFontSheet::SetGlyphPixel(int32_t glyph, int32_t gx, int32_t gy, uint8_t paletteIndex) {
  SetPixel(17 * (glyph % 10) + 1 + gx, 25 * (glyph / 10) + gy, paletteIndex);
}

void TFontSheet::DrawTable(const std::vector<uint8_t>& table) {
  for (size_t byte = 0; byte < table.size() && byte < FontTableSize; ++byte) {
    const auto glyph = static_cast<int32_t>(byte / 96);
    const auto row = static_cast<int32_t>(byte % 96 / 4);
    const auto quad = static_cast<int32_t>(byte % 4);
    for (int32_t p = 0; p < 4; ++p) {
      const int code = (table[byte] >> (2 * p)) & 3;
      SetGlyphPixel(glyph, 4 * quad + p, row, code == 1 ? 0 : code == 2 ? 255 : 7);
    }
  }
}

std::vector<uint8_t> TFontSheet::Bytes() const {
  std::vector<uint8_t> file(FontSheetPixelOffset, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe(file, 2, FontSheetMinFileSize, 4);
  PutLe(file, 10, FontSheetPixelOffset, 4);
  PutLe(file, 14, 40, 4);
  PutLe(file, 18, static_cast<uint32_t>(FWidth), 4);
  PutLe(file, 22, FontSheetRows, 4);
  PutLe(file, 26, 1, 2);
  PutLe(file, 28, 8, 2);
  PutLe(file, 34, FontSheetPixelBytes, 4);
  PutLe(file, 38, 2835, 4);
  PutLe(file, 42, 2835, 4);
  for (uint32_t i = 0; i < 256; ++i) {
    // A grey ramp: index 0 black (ink), 255 white.
    const auto grey = static_cast<uint8_t>(i);
    file[54 + 4 * i] = grey;
    file[55 + 4 * i] = grey;
    file[56 + 4 * i] = grey;
  }
  file.insert(file.end(), Pixels.begin(), Pixels.end());
  return file;
}

}  // namespace kelvo
