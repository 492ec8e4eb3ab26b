#pragma once
// The font sheet: an 8-bit palettised bitmap holding 170 glyphs of 16 x 24
// pixels in a grid of 10 x 17 cells, converted into a packed table of 2 bits
// a pixel (16,320 bytes) for the device's flash.
#include <cstdint>
#include <string>

#include "base/ByteBuffer.h"
#include "base/Errors.h"

namespace kelvo {

constexpr uint32_t FontSheetPixelOffset = 1078;
constexpr uint32_t FontSheetRowBytes = 172;
constexpr uint32_t FontSheetRows = 425;
constexpr uint32_t FontSheetPixelBytes = FontSheetRowBytes * FontSheetRows;              // 73,100
constexpr uint32_t FontSheetMinFileSize = FontSheetPixelOffset + FontSheetPixelBytes;    // 74,178
constexpr uint32_t FontTableSize = 17 * 10 * 24 * 4;                                     // 16,320
constexpr const char* FontTableFileName = "fonts.hex";

// A sheet whose headers do not describe the layout the conversion reads.
class EFontSheetError : public EKelvoError {
 public:
  explicit EFontSheetError(const std::string& what) : EKelvoError("Not a font sheet: " + what) {}
};

// Checks the sheet, then appends the glyph table to table. Raises
// EStreamReadError when content holds fewer than 74,178 bytes and
// EFontSheetError when its headers describe another picture; table is
// untouched in both cases.
void ConvertFontSheet(TByteBuffer& content, TByteBuffer& table);

// Writes the table whole as the file name (created or replaced); raises
// EFCreateError when it cannot.
void SaveFontTable(const TByteBuffer& table, const std::string& fileName = FontTableFileName);

}  // namespace kelvo
