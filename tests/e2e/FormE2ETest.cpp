// A headless TForm1 against the simulator on a pseudo-terminal, through the
// real serial code, as a technician would run it.
#include <gtest/gtest.h>

#include "app/Form.h"
#include "firmware/FirmwareWriter.h"
#include "fonts/FontSheetWriter.h"
#include "sim/posix/PtySimulator.h"
#include "support/FormRig.h"

namespace kelvo {
namespace {

TEST(FormEndToEnd, UpgradeAndFontsOverAPseudoTerminal) {
  sim::TDeviceOptions options;
  options.HandshakeBaud = 9600;  // anything else would go unanswered
  options.LineRate = true;
  sim::TBootLoaderDevice device(options);
  sim::TPtySimulator pty(device);
  pty.Start();

  test::TTempDir dir;
  std::vector<uint8_t> flash(264 * 6 + 11), eeprom(32 * 3), rbf(264);
  for (size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i * 3);
  for (size_t i = 0; i < eeprom.size(); ++i) eeprom[i] = static_cast<uint8_t>(0xE0 + i);
  const std::vector<uint8_t> file = WriteFirmwareFile({3, 264, 32, 264}, flash, eeprom, rbf);
  test::WriteFileBytes(dir.File("fw.fw"), std::string(file.begin(), file.end()));
  const std::vector<uint8_t> sheet = TFontSheet(170, 0).Bytes();
  test::WriteFileBytes(dir.File("font.bmp"), std::string(sheet.begin(), sheet.end()));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());

  test::TScriptedServices services;
  TRememberedFiles files;
  {
    TForm1 form(services, files, CreateSystemSerialDevice(), SystemClock(),
                [&](std::vector<std::string>& l) { l = {pty.Path()}; });
    services.Form = &form;
    form.FormCreate();
    services.Answers = {dir.File("fw.fw"), dir.File("font.bmp")};
    form.ButtonFlashClick();
    EXPECT_EQ(form.LastResult(), orCompleted);
    EXPECT_EQ(form.Memo.Lines.size(), 30u);
    EXPECT_EQ(form.Memo.Lines.back(), "Port disconnected.");
    form.ComboBoxSpeed.Text = "230400";
    form.Button1Click();
    EXPECT_EQ(form.LastResult(), orCompleted);
    EXPECT_EQ(form.Memo.Lines.size(), 41u);
    EXPECT_EQ(form.Memo.Lines[35], "Baudrate: 230400");
  }
  pty.Stop();
  std::filesystem::current_path(previous);

  std::vector<uint8_t> padded = flash;
  padded.resize(264 * 7, 0);
  const std::vector<uint8_t>& memory = device.Memory(sim::mFlash);
  EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 264 * 7), padded);
  EXPECT_EQ(device.WrittenMemory(sim::mEeprom), eeprom);
  EXPECT_EQ(device.WrittenMemory(sim::mFlashRbf), rbf);
  EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 1582 * 264, memory.begin() + 1582 * 264 + 16320),
            std::vector<uint8_t>(16320, 0x55));
  const auto& records = device.Records();
  ASSERT_GT(records.size(), 2u);
  EXPECT_EQ(records[0].Frame[1], 0x45);
  EXPECT_EQ(records[0].Baud, 9600u);
  size_t restart = 0;
  for (size_t i = 1; i < records.size(); ++i) {
    if (records[i].Frame[1] == 0x44) restart = i;
    EXPECT_EQ(records[i].Baud, restart && i > restart ? 230400u : 115200u) << i;
  }
  EXPECT_EQ(restart, 1u + 7 + 3 + 1) << "the restart follows the last page of the upgrade";
}

}  // namespace
}  // namespace kelvo
