#include "base/ByteBuffer.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "support/TempDir.h"

namespace kelvo {
namespace {

TByteBuffer Counting(int n) {
  TByteBuffer b;
  for (int i = 0; i < n; ++i) {
    const auto v = static_cast<uint8_t>(i);
    b.Append(&v, 1);
  }
  return b;
}

TEST(ByteBuffer, ReadReturnsFewerAtTheEndAndLeavesTheRestOfTheDestination) {
  TByteBuffer b = Counting(5);
  b.SetPosition(3);
  uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(b.Read(out, 4), 2u);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[1], 4);
  EXPECT_EQ(out[2], 0xEE);
  EXPECT_EQ(b.Position(), 5u);
  EXPECT_EQ(b.Read(out, 4), 0u);
  b.SetPosition(100);  // beyond the end: nothing to read, no error
  EXPECT_EQ(b.Read(out, 1), 0u);
}

TEST(ByteBuffer, ExactReadsAndCopiesRaiseTheStreamReadErrorWithoutMovingAnything) {
  TByteBuffer b = Counting(10);
  b.SetPosition(8);
  uint8_t out[3] = {};
  try {
    b.ReadBuffer(out, 3);
    FAIL() << "no error";
  } catch (const EStreamReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  TByteBuffer target;
  EXPECT_THROW(b.CopyTo(target, 3), EStreamReadError);
  EXPECT_EQ(target.Size(), 0u);
  EXPECT_EQ(b.Position(), 8u);
  // A copy of 4 GiB from a 10-byte buffer is refused at once, without reserving it.
  EXPECT_THROW(b.CopyTo(target, 0xFFFFFFF8ull), EStreamReadError);
  b.CopyTo(target, 2);
  target.CopyTo(target, 0);
  EXPECT_EQ(target.Contents(), (std::vector<uint8_t>{8, 9}));
  EXPECT_EQ(b.Position(), 10u);
}

TEST(ByteBuffer, CopyAppendsToTheEndOfTheDestination) {
  TByteBuffer source = Counting(6);
  TByteBuffer target = Counting(2);
  source.SetPosition(4);
  source.CopyTo(target, 2);
  EXPECT_EQ(target.Contents(), (std::vector<uint8_t>{0, 1, 4, 5}));
}

TEST(ByteBuffer, SetSizeAddsZeroBytes) {
  TByteBuffer b = Counting(3);
  b.SetSize(5);
  EXPECT_EQ(b.Contents(), (std::vector<uint8_t>{0, 1, 2, 0, 0}));
  b.SetSize(1);
  EXPECT_EQ(b.Contents(), (std::vector<uint8_t>{0}));
}

TEST(ByteBuffer, SavesAndLoadsWholeFilesAndReplacesOlderOnes) {
  test::TTempDir dir;
  const std::string path = dir.File("data.bin");
  test::WriteFileBytes(path, std::string(1000, 'x'));
  TByteBuffer b = Counting(256);
  b.SaveToFile(path);
  TByteBuffer loaded;
  loaded.LoadFromFile(path);
  EXPECT_EQ(loaded.Contents(), b.Contents());
  EXPECT_EQ(loaded.Position(), 0u);
}

TEST(ByteBuffer, FileErrorsCarryThePathAsGiven) {
  test::TTempDir dir;
  const std::string missing = dir.File("missing.fw");
  TByteBuffer b;
  try {
    b.LoadFromFile(missing);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
  }
  const std::string unwritable = dir.File("no-such-folder/fonts.hex");
  try {
    b.SaveToFile(unwritable);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + unwritable);
  }
}

}  // namespace
}  // namespace kelvo
