#pragma once
#include <cstdint>
#include <string>

namespace kelvo {

// Text to a signed 32-bit number, or defaultValue when the text is not one.
// Leading spaces are skipped; decimal with an optional sign, or hexadecimal
// after $, x, X, 0x or 0X (32 bits taken as signed, so $FFFFFFFF is -1).
int32_t TextToIntDef(const std::string& text, int32_t defaultValue);

}  // namespace kelvo
