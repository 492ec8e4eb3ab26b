#include "firmware/FirmwareImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Errors.h"
#include "firmware/Crc32.h"
#include "firmware/FirmwareWriter.h"

namespace kelvo {
namespace {

using TLines = std::vector<std::string>;
using TBytes = std::vector<uint8_t>;

struct TReadResult {
  TLines Log;
  TFirmwareImage Image;
  bool Raised = false;
};

TReadResult Read(const TBytes& file) {
  TReadResult r;
  TByteBuffer content(file);
  try {
    ReadFirmwareImage(content, r.Image, [&](const std::string& line) { r.Log.push_back(line); });
  } catch (const EStreamReadError&) {
    r.Raised = true;
  }
  EXPECT_EQ(content.Contents(), file) << "the reader leaves the loaded bytes as they are";
  return r;
}

TLines HeaderLines(int id, unsigned flash, unsigned eeprom, unsigned rbf) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%.2X", id);
  return {"DeviceID: " + std::to_string(id) + " (" + hex + ").", "Flash page size: " + std::to_string(flash) + ".",
          "EEPROM page size: " + std::to_string(eeprom) + ".", "FlashRbf page size: " + std::to_string(rbf) + "."};
}

TEST(ReadFirmwareImage, MinimalWellFormedFileOf32Bytes) {
  TBytes file = {0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
                 0x01, 0x05, 0x00, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 0xA1, 0xA2, 0xA3};
  const uint32_t crc = Crc32Update(file.data(), 27, 0);
  file.push_back(0xFF);
  for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  ASSERT_EQ(file.size(), 32u);
  EXPECT_EQ(file, TFwFileBuilder()
                      .Header({3, 256, 32, 256})
                      .SectionRaw(ftFlash, 5, {'a', 'b', 'c', 'd', 'e', 0xA1, 0xA2, 0xA3})
                      .End()
                      .Bytes());

  const TReadResult r = Read(file);
  EXPECT_EQ(r.Log, HeaderLines(3, 256, 32, 256));
  EXPECT_EQ(r.Image.FlashData.Contents(), TBytes(file.begin() + 19, file.begin() + 27));
  EXPECT_EQ(r.Image.EepromData.Size(), 0u);
  EXPECT_EQ(r.Image.FlashRbfData.Size(), 0u);
  EXPECT_TRUE(r.Image.CrcOk);
  EXPECT_TRUE(r.Image.HasFlash);
  EXPECT_TRUE(r.Image.HasHeader);
  EXPECT_FALSE(r.Image.HasEeprom);
  EXPECT_EQ(r.Image.DeviceID, 3);
  EXPECT_EQ(r.Image.FlashPageSize, 256u);
  EXPECT_EQ(r.Image.EepromPageSize, 32u);
  EXPECT_EQ(r.Image.FlashRbfPageSize, 256u);
}

TEST(ReadFirmwareImage, WriterOutputReadsBackWithEverySection) {
  const TBytes flash(1000, 0x11), eeprom(13, 0x22), rbf(16, 0x33);
  const TReadResult r = Read(WriteFirmwareFile({10, 0xFFFFFFFFu, 32, 264}, flash, eeprom, rbf));
  EXPECT_EQ(r.Log, HeaderLines(10, 4294967295u, 32, 264));  // 10 shows as 0A
  EXPECT_TRUE(r.Image.CrcOk && r.Image.HasFlash && r.Image.HasEeprom && r.Image.HasFlashRbf);
  EXPECT_EQ(r.Image.FlashData.Contents(), flash);
  TBytes paddedEeprom = eeprom;
  paddedEeprom.resize(16, 0);  // a length of 13 copies 16 bytes
  EXPECT_EQ(r.Image.EepromData.Contents(), paddedEeprom);
  EXPECT_EQ(r.Image.FlashRbfData.Contents(), rbf);
}

TEST(ReadFirmwareImage, TwoFlashRecordsAreJoinedInFileOrderWithTheirPadding) {
  const TBytes file =
      TFwFileBuilder().Header({1, 8, 8, 8}).Section(ftFlash, {1, 2, 3}).Section(ftFlash, {4, 5, 6, 7, 8, 9, 10, 11, 12}).End().Bytes();
  const TReadResult r = Read(file);
  EXPECT_EQ(r.Image.FlashData.Contents(),
            (TBytes{1, 2, 3, 0, 0, 0, 0, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(r.Image.CrcOk);
}

struct TFaultCase {
  const char* Name;
  TBytes File;
  TLines ExpectedLog;
  bool Raises;
  bool CrcOk;
};

class ReadFirmwareImageFaults : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(ReadFirmwareImageFaults, LogsTheFirstFaultAndStops) {
  const TFaultCase& c = GetParam();
  const TReadResult r = Read(c.File);
  EXPECT_EQ(r.Log, c.ExpectedLog);
  EXPECT_EQ(r.Raised, c.Raises);
  EXPECT_EQ(r.Image.CrcOk, c.CrcOk);
}

TLines With(TLines lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

TFwFileBuilder Headed() { return std::move(TFwFileBuilder().Header({3, 256, 32, 256})); }

TBytes WrongCrcFile() { return Headed().Section(ftFlash, {1, 2, 3}).EndWithCrc(0x12345678).Bytes(); }

std::string CrcLine(uint32_t stored, uint32_t computed) {
  char line[64];
  std::snprintf(line, sizeof line, "Firmware error: crc32 0x%.8X / 0x%.8X.", stored, computed);
  return line;
}

uint32_t CrcOfPrefix(const TBytes& file, size_t n) { return Crc32Update(file.data(), static_cast<uint32_t>(n), 0); }

TBytes Cut(TBytes file, size_t keep) {
  file.resize(keep);
  return file;
}

const TLines H = HeaderLines(3, 256, 32, 256);

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFirmwareImageFaults,
    ::testing::Values(
        TFaultCase{"EmptyFile", {}, {}, false, false},
        TFaultCase{"UnknownTagFirst", {4, 0, 1, 2, 3}, {}, false, false},
        TFaultCase{"UnknownTagAfterHeaderStopsBeforeEnd", Headed().Raw({0x77}).End().Bytes(), H, false, false},
        TFaultCase{"NoEndRecord", Headed().Section(ftFlash, {1}).Bytes(), H, false, false},
        TFaultCase{"ZeroLengthFlash", Headed().SectionRaw(ftFlash, 0, {}).End().Bytes(),
                   With(H, {"Firmware error: flash error."}), false, false},
        TFaultCase{"ZeroLengthEeprom", Headed().SectionRaw(ftEeprom, 0, {}).End().Bytes(),
                   With(H, {"Firmware error: eeprom error."}), false, false},
        TFaultCase{"ZeroLengthFlashRbfSaysEepromWithCapitalE", Headed().SectionRaw(ftFlashRbf, 0, {}).End().Bytes(),
                   With(H, {"Firmware error: Eeprom error."}), false, false},
        TFaultCase{"LengthThatRoundsToZero", Headed().SectionRaw(ftFlash, 0xFFFFFFF9u, {}).Bytes(),
                   With(H, {"Firmware error: flash error."}), false, false},
        TFaultCase{"DataEndsInsideTheLengthField", Headed().Raw({ftEeprom, 0x10, 0x00}).Bytes(),
                   With(H, {"Firmware error: eeprom error."}), false, false},
        TFaultCase{"LengthBeyondTheFileRaisesWithoutAFaultLine",
                   Headed().SectionRaw(ftFlash, 64, {1, 2, 3, 4, 5, 6, 7, 8}).End().Bytes(), H, true, false},
        TFaultCase{"FourGigabyteSectionInATinyFile", Headed().SectionRaw(ftFlashRbf, 0xFFFFFFF0u, {1, 2}).Bytes(), H,
                   true, false},
        TFaultCase{"WrongStoredCrcShowsStoredThenComputed", WrongCrcFile(),
                   With(H, {CrcLine(0x12345678, CrcOfPrefix(WrongCrcFile(), WrongCrcFile().size() - 5))}), false,
                   false},
        TFaultCase{"EndTagIsTheLastByte", Headed().Raw({0xFF}).Bytes(),
                   With(H, {CrcLine(0, CrcOfPrefix(Headed().Raw({0xFF}).Bytes(), 10))}), false, false},
        TFaultCase{"EndTagWithTwoBytesShowsThemZeroExtended", Headed().Raw({0xFF, 0x34, 0x12}).Bytes(),
                   With(H, {CrcLine(0x1234, CrcOfPrefix(Headed().Raw({0xFF, 0x34, 0x12}).Bytes(), 12))}), false,
                   false},
        TFaultCase{"ShortFileWithEndTagHasAnEmptyRange", {0xFF, 0, 0}, {CrcLine(0, 0)}, false, false},
        TFaultCase{"EndRecordNotLastIsCheckedAgainstTheSamePrefix",
                   Headed().End().Section(ftFlash, {1, 2, 3}).Bytes(),
                   With(H, {CrcLine(CrcOfPrefix(Headed().Bytes(), 14),
                                    CrcOfPrefix(Headed().End().Section(ftFlash, {1, 2, 3}).Bytes(), 27))}),
                   false, false},
        TFaultCase{"DataEndsInsideAHeader", Cut(Headed().Bytes(), 8), HeaderLines(3, 256, 32, 0), false, false}),
    [](const ::testing::TestParamInfo<TFaultCase>& info) { return std::string(info.param.Name); });

TEST(ReadFirmwareImage, ZeroLengthRecordAddsNothingAndEarlierSectionsStay) {
  const TReadResult r = Read(Headed().Section(ftEeprom, {9, 9}).SectionRaw(ftEeprom, 0, {5, 5, 5, 5, 5, 5, 5, 5}).Bytes());
  EXPECT_EQ(r.Image.EepromData.Contents(), (TBytes{9, 9, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(r.Image.HasEeprom);
}

TEST(ReadFirmwareImage, HeaderFieldsStartAtZeroAndFlagsAreClearedOnEveryCall) {
  TFirmwareImage image;
  image.CrcOk = image.HasFlash = image.HasHeader = true;
  TByteBuffer content(TBytes{ftFlash, 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
  TLines log;
  ReadFirmwareImage(content, image, [&](const std::string& l) { log.push_back(l); });
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(image.CrcOk);
  EXPECT_FALSE(image.HasHeader);
  EXPECT_TRUE(image.HasFlash);
  EXPECT_EQ(image.DeviceID, 0);
  EXPECT_EQ(image.FlashPageSize, 0u);
}

}  // namespace
}  // namespace kelvo
