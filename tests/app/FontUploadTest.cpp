#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Text.h"
#include "fonts/FontSheet.h"
#include "fonts/FontSheetWriter.h"
#include "support/FormRig.h"

namespace kelvo {
namespace {

using TLines = std::vector<std::string>;
using TBytes = std::vector<uint8_t>;
using test::TFormRig;

// A sheet whose table is not uniform, so that misplaced pages would show.
TBytes SampleSheet(std::vector<uint8_t>* table = nullptr) {
  std::vector<uint8_t> glyphs(FontTableSize);
  for (size_t i = 0; i < glyphs.size(); ++i) glyphs[i] = static_cast<uint8_t>((i * 37 + i / 96) % 171 & 0xAA);
  TFontSheet sheet;
  sheet.DrawTable(glyphs);
  const TBytes file = sheet.Bytes();
  TByteBuffer content(file), converted;
  ConvertFontSheet(content, converted);
  if (table) *table = converted.Contents();
  return file;
}

TEST(FontUpload, SuccessfulRunLogsElevenLinesAndFillsFlashFromPage1582) {
  TFormRig rig;
  TBytes table;
  const std::string path = rig.Offer(SampleSheet(&table), "font.bmp");
  rig.Form->ComboBoxSpeed.Text = "115200";
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log(), (TLines{"Reading a file...", "The file size was read: 74178 bytes.", "Connecting....",
                               "Connected.", "Port: COM3", "Baudrate: 115200", "Fonts sending...",
                               "   The size of the data to be transmitted.: 16320.", "   Number of pages to send: 62.",
                               "Fonts sending is completed successfully.", "Port disconnected."}));
  EXPECT_EQ(rig.Form->LastResult(), orCompleted);
  const std::vector<uint8_t>& flash = rig.Line.Device.Memory(sim::mFlash);
  TBytes expected = table;
  expected.resize(62 * 264, 0);  // the last page: 216 table bytes and 48 zero bytes
  EXPECT_EQ(TBytes(flash.begin() + 1582 * 264, flash.begin() + 1644 * 264), expected);
  EXPECT_EQ(flash[1582 * 264 - 1], 0xFF) << "nothing before page 1582";
  EXPECT_EQ(flash[1644 * 264], 0xFF) << "nothing after page 1643";
  const auto& records = rig.Line.Device.Records();
  ASSERT_EQ(records.size(), 62u);
  EXPECT_EQ(records.front().Frame[2], 0x06);
  EXPECT_EQ(records.front().Frame[3], 0x2E);
  EXPECT_EQ(records.back().Frame[3], 0x6B);
  for (const auto& r : records) EXPECT_EQ(r.Baud, 115200u);
  EXPECT_EQ(test::ReadFileBytes(rig.Dir.File("fonts.hex")), std::string(table.begin(), table.end()));
  EXPECT_EQ(rig.Form->ProgressBar1.Position, 61);
  EXPECT_EQ(rig.Files.FontFileName, path);
  EXPECT_EQ(rig.Files.FirmwareFileName, "") << "each operation remembers its own file";
  EXPECT_EQ(rig.Services.Dialogs[0].Title, "Open font");
  EXPECT_EQ(rig.Services.Dialogs[0].Filter, "Font files *.bmp|*.bmp|All files|*.*");
  EXPECT_EQ(rig.Services.Dialogs[0].DefaultExt, ".bmp");
  EXPECT_FALSE(rig.Services.PumpedWhileIdle);
  EXPECT_FALSE(rig.Form->Busy());
}

TEST(FontUpload, SpeedTextThatIsNoNumberMeans9600) {
  TFormRig rig;
  rig.Offer(SampleSheet(), "font.bmp");
  rig.Form->ComboBoxSpeed.Text = "fast";
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log()[5], "Baudrate: 9600");
}

TEST(FontUpload, FailuresBeforeTheConnectionLogTheErrorOnly) {
  TFormRig rig;
  // Cancelled.
  rig.Services.Answers.push_back(std::nullopt);
  rig.Form->Button1Click();
  EXPECT_TRUE(rig.Log().empty());
  EXPECT_EQ(rig.Form->LastResult(), orCancelled);
  // Missing.
  const std::string missing = rig.Dir.File("missing.bmp");
  rig.Services.Answers.push_back(missing);
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log(), (TLines{"Reading a file...", "Error: [Cannot open file " + missing + "]."}));
  // Too short.
  TBytes shortSheet = SampleSheet();
  shortSheet.pop_back();
  rig.Offer(shortSheet, "short.bmp");
  rig.Form->Button1Click();
  EXPECT_EQ(TLines(rig.Log().end() - 3, rig.Log().end()),
            (TLines{"Reading a file...", "The file size was read: 74177 bytes.", "Error: [Stream read error]."}));
  EXPECT_FALSE(std::filesystem::exists(rig.Dir.File("fonts.hex")));
  // Not a sheet the conversion can read.
  TBytes fourBit = SampleSheet();
  fourBit[28] = 4;
  rig.Offer(fourBit, "fourbit.bmp");
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log().back(), "Error: [Not a font sheet: 8 bits per pixel expected].");
  EXPECT_FALSE(std::filesystem::exists(rig.Dir.File("fonts.hex")));
  // fonts.hex cannot be created.
  std::filesystem::create_directory(rig.Dir.File("fonts.hex"));
  rig.Offer(SampleSheet(), "good.bmp");
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log().back(), "Error: [Cannot create file fonts.hex].");
  EXPECT_EQ(rig.Form->LastResult(), orFileError);
  EXPECT_EQ(rig.Serial->Opens, 0u) << "no connection was tried";
  EXPECT_FALSE(rig.Form->Busy());
}

TEST(FontUpload, PortThatCannotBeOpenedStillLeavesFontsHex) {
  TFormRig rig;
  rig.Form->ComboBoxPort.Text = "COM9";
  rig.Offer(SampleSheet(), "font.bmp");
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Log(), (TLines{"Reading a file...", "The file size was read: 74178 bytes.", "Connecting....",
                               "Port disconnected."}));
  EXPECT_EQ(rig.Form->LastResult(), orPortError);
  EXPECT_EQ(std::filesystem::file_size(rig.Dir.File("fonts.hex")), 16320u);
}

TEST(FontUpload, FailedTransferLogsItsLine) {
  sim::TDeviceOptions options;
  options.Faults = {sim::TFault{sim::fkPageNumber, false, 10}};
  TFormRig rig(options);
  rig.Offer(SampleSheet(), "font.bmp");
  rig.Form->Button1Click();
  EXPECT_EQ(TLines(rig.Log().end() - 3, rig.Log().end()),
            (TLines{"      Page number error.", "Fonts sending error.", "Port disconnected."}));
  EXPECT_EQ(rig.Form->LastResult(), orTransferError);
}

TEST(FontUpload, SecondRunStartsAtTheFirstSheet) {
  TFormRig rig;
  const std::string path = rig.Offer(SampleSheet(), "font.bmp");
  rig.Form->ComboBoxPort.Text = "COM9";
  rig.Form->Button1Click();
  rig.Services.Answers.push_back(std::nullopt);
  rig.Form->Button1Click();
  EXPECT_EQ(rig.Services.Dialogs[1].FileName, path);
  EXPECT_EQ(rig.Services.Dialogs[1].InitialDir, rig.Dir.Path());
}

}  // namespace
}  // namespace kelvo
