#include "serial/TextToInt.h"

namespace kelvo {

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

int32_t TextToIntDef(const std::string& text, int32_t defaultValue) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i == n) return defaultValue;

  bool hex = false;
  if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
    hex = true;
    i += 1;
  } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (hex) {
    if (i == n) return defaultValue;
    uint64_t value = 0;
    for (; i < n; ++i) {
      const int digit = HexDigit(text[i]);
      if (digit < 0) return defaultValue;
      value = value * 16 + static_cast<uint64_t>(digit);
      if (value > 0xFFFFFFFFu) return defaultValue;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }

  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
  }
  if (i == n) return defaultValue;
  uint64_t value = 0;
  const uint64_t limit = negative ? 2147483648u : 2147483647u;
  for (; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return defaultValue;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > limit) return defaultValue;
  }
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
}

}  // namespace kelvo
