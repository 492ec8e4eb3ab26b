#pragma once
// Makes font sheets: an 8-bit bottom-up bitmap with a grey palette, laid out
// the way ConvertFontSheet reads it. For sample sheets and tests.
#include <cstdint>
#include <vector>

namespace kelvo {

class TFontSheet {
 public:
  // Every pixel starts at background (a palette index).
  explicit TFontSheet(int32_t width = 170, uint8_t background = 7);
  int32_t Width() const { return FWidth; }
  // Picture coordinates: x from the left, y from the top row (0..424).
  void SetPixel(int32_t x, int32_t y, uint8_t paletteIndex);
  // The pixel of glyph g (0..169) at column gx (0..15) and row gy (0..23).
  void SetGlyphPixel(int32_t glyph, int32_t gx, int32_t gy, uint8_t paletteIndex);
  // Draws a glyph table back onto the sheet (codes 1 and 2 as indices 0 and 255).
  void DrawTable(const std::vector<uint8_t>& table);
  // File offset of a picture pixel.
  static uint32_t FileOffset(int32_t x, int32_t y);
  std::vector<uint8_t> Bytes() const;

 private:
  int32_t FWidth;
  std::vector<uint8_t> Pixels;  // stored rows, bottom-up, 172 bytes each
};

}  // namespace kelvo
