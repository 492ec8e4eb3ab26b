#include "base/Text.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(Format, FormatsPrintfStyle) {
  EXPECT_EQ(Format("DeviceID: %i (%.2X).", 10, 10), "DeviceID: 10 (0A).");
  EXPECT_EQ(Format("0x%.8X", 0xCBF43926u), "0xCBF43926");
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(Format("%s", std::string(5000, 'a').c_str()).size(), 5000u);
}

TEST(Format, OAcuteIsOneAnsiByteOnWindowsAndUtf8Elsewhere) {
  const std::string word = "pr" KELVO_O_ACUTE "ba";
#if defined(_WIN32)
  EXPECT_EQ(word, "pr\xF3" "ba");
#else
  EXPECT_EQ(word, "pr\xC3\xB3" "ba");
#endif
}

}  // namespace
}  // namespace kelvo
