// kelvo-sample-sheet OUT.bmp: a font sheet with a recognisable pattern in
// every glyph (a frame and the glyph's number in bars), for trying the tool.
#include <cstdio>
#include <fstream>

#include "fonts/FontSheetWriter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kelvo-sample-sheet OUT.bmp\n");
    return 2;
  }
  kelvo::TFontSheet sheet(170, 255);  // white paper
  for (int g = 0; g < 170; ++g) {
    for (int x = 0; x < 16; ++x) {
      sheet.SetGlyphPixel(g, x, 0, 0);
      sheet.SetGlyphPixel(g, x, 23, 0);
    }
    for (int y = 0; y < 24; ++y) {
      sheet.SetGlyphPixel(g, 0, y, 0);
      sheet.SetGlyphPixel(g, 15, y, 0);
    }
    for (int bit = 0; bit < 8; ++bit)
      if (g & (1 << bit))
        for (int x = 3; x < 13; ++x) sheet.SetGlyphPixel(g, x, 3 + 2 * bit, 0);
  }
  const std::vector<uint8_t> bytes = sheet.Bytes();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
