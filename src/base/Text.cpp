#include "base/Text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kelvo {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (length > 0) {
    std::vector<char> chars(static_cast<size_t>(length) + 1);
    std::vsnprintf(chars.data(), chars.size(), format, again);
    text.assign(chars.data(), static_cast<size_t>(length));
  }
  va_end(again);
  return text;
}

}  // namespace kelvo
