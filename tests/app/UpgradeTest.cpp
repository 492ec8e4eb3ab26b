#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "firmware/Crc32.h"
#include "firmware/FirmwareWriter.h"
#include "support/FormRig.h"

namespace kelvo {
namespace {

using TLines = std::vector<std::string>;
using TBytes = std::vector<uint8_t>;
using sim::TFault;
using test::TFormRig;

TBytes Pattern(size_t n, uint8_t seed) {
  TBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed * 17 + i * 5 + i / 251);
  return b;
}

const TBytes Flash = Pattern(264 * 3 + 50, 1), Eeprom = Pattern(32 * 2 + 5, 2), FlashRbf = Pattern(264 * 2, 3);

TBytes Padded(TBytes b, size_t multiple) {
  b.resize((b.size() + multiple - 1) / multiple * multiple, 0);
  return b;
}

TBytes GoodFile(uint8_t id = 3) { return WriteFirmwareFile({id, 264, 32, 264}, Flash, Eeprom, FlashRbf); }

TLines Opening(size_t fileSize) {
  return {"Reading file...", Format("The file size was read: %i bytes.", static_cast<int>(fileSize)),
          "DeviceID: 3 (03).", "Flash page size: 264.", "EEPROM page size: 32.", "FlashRbf page size: 264."};
}

TLines Join(TLines a, const TLines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TLines Handshake(int version = 3) {
  return {"Connecting....", "Connected.", "Port: COM3", "Baudrate: 9600", "Reading protocol version...",
          Format("Protokol version: %i.", version), "Switching to 115200...", "Connected.", "Port: COM3",
          "Baudrate: 115200"};
}

TLines Section(const char* name, int size, int pages) {
  return {Format("%s sending...", name), Format("   The size of the data to be transmitted.: %i.", size),
          Format("   Number of pages to send: %i.", pages)};
}

TEST(Upgrade, SuccessfulRunLogsTheThirtyLinesAndFillsTheDevice) {
  TFormRig rig;
  const TBytes file = GoodFile();
  const std::string path = rig.Offer(file, "firmware.fw");
  rig.Form->ComboBoxSpeed.Text = "250000";  // plays no part in the upgrade
  rig.Form->ButtonFlashClick();

  TLines expected = Join(Opening(file.size()), Handshake());
  expected = Join(expected, Section("Flash", 848, 4));
  expected.push_back("Flash sending is completed successfully...");
  expected = Join(expected, Section("Eeprom", 72, 3));
  expected.push_back("Eeprom sending is completed successfully...");
  expected = Join(expected, Section("Flash_rbf", 528, 2));
  expected = Join(expected, {"Device restart ...", "Upgrade completed.", "Port disconnected."});
  ASSERT_EQ(expected.size(), 30u);
  EXPECT_EQ(rig.Log(), expected);
  EXPECT_EQ(rig.Form->LastResult(), orCompleted);

  EXPECT_EQ(rig.Line.Device.WrittenMemory(sim::mFlash), Padded(Flash, 264));
  EXPECT_EQ(rig.Line.Device.WrittenMemory(sim::mEeprom), Padded(Eeprom, 32));
  EXPECT_EQ(rig.Line.Device.WrittenMemory(sim::mFlashRbf), FlashRbf);
  const auto& records = rig.Line.Device.Records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().Frame[1], 0x45);
  EXPECT_EQ(records.front().Baud, 9600u);
  for (size_t i = 1; i < records.size(); ++i) EXPECT_EQ(records[i].Baud, 115200u) << i;
  EXPECT_TRUE(rig.Line.Device.Restarted());
  const TBytes& written = rig.Serial->Written;
  EXPECT_EQ(TBytes(written.end() - 7, written.end()), (TBytes{0xFF, 0x44, 0, 0, 0, 0, 0x44})) << "restart is last";
  EXPECT_EQ(rig.Serial->Opens, 2u);
  EXPECT_FALSE(rig.Form->COMSocket().IsOpen());

  EXPECT_EQ(rig.Form->ProgressBar1.Max, 2);
  EXPECT_EQ(rig.Form->ProgressBar1.Position, 1) << "n - 1 of n";
  EXPECT_EQ(rig.Services.Pumps, 9);
  EXPECT_FALSE(rig.Services.PumpedWhileIdle);
  EXPECT_FALSE(rig.Services.DialogWhileIdle) << "the panel is disabled before the dialog";
  EXPECT_FALSE(rig.Form->Busy());
  EXPECT_EQ(rig.Files.FirmwareFileName, path);
  EXPECT_EQ(rig.Services.Dialogs[0].Title, "Open firmware");
  EXPECT_EQ(rig.Services.Dialogs[0].Filter, "Firmware files *.fw|*.fw|All files|*.*");
  EXPECT_EQ(rig.Services.Dialogs[0].DefaultExt, ".fw");
  EXPECT_EQ(rig.Services.Dialogs[0].InitialDir, "");
}

struct TFailureCase {
  const char* Name;
  std::vector<TFault> Faults;
  uint8_t DeviceVersion;
  std::string Port;
  TLines Tail;  // the log after the header lines
  TOperationResult Result;
  bool Restarted;
};

class UpgradeFailures : public ::testing::TestWithParam<TFailureCase> {};

TEST_P(UpgradeFailures, EndWithTheirLine) {
  const TFailureCase& c = GetParam();
  sim::TDeviceOptions options;
  options.Version = c.DeviceVersion;
  options.Faults = c.Faults;
  TFormRig rig(options);
  const TBytes file = GoodFile();
  rig.Offer(file, "firmware.fw");
  rig.Form->ComboBoxPort.Text = c.Port;
  rig.Form->ButtonFlashClick();
  EXPECT_EQ(rig.Log(), Join(Opening(file.size()), c.Tail));
  EXPECT_EQ(rig.Form->LastResult(), c.Result);
  EXPECT_EQ(rig.Line.Device.Restarted(), c.Restarted);
  EXPECT_FALSE(rig.Form->COMSocket().IsOpen());
  EXPECT_FALSE(rig.Form->Busy());
}

TLines Until(const TLines& full, size_t n, const TLines& more) {
  return Join(TLines(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)), more);
}

const TLines H = Handshake();
const std::string Proba = "pr" KELVO_O_ACUTE "ba";

TLines ThreeHundredNacks() {
  TLines lines;
  for (int i = 1; i <= 300; ++i) lines.push_back(Format("      Page checksum error. - %s %i/300.", Proba.c_str(), i));
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UpgradeFailures,
    ::testing::Values(
        TFailureCase{"PortCannotBeOpened", {}, 3, "COM9", {"Connecting....", "Error opening port.", "Port disconnected."},
                     orPortError, false},
        TFailureCase{"NoVersionReply", {TFault{sim::fkDrop, true}}, 3, "COM3",
                     Until(H, 5, {"The protocol version has not been read..", "Port disconnected."}), orNoAnswer, false},
        TFailureCase{"WrongReplyCode", {TFault{sim::fkCode, true, 0, 0, 1, 0, 0x41}}, 3, "COM3",
                     Until(H, 5, {"The protocol version has not been read..", "Port disconnected."}), orNoAnswer, false},
        TFailureCase{"BadReplyChecksum", {TFault{sim::fkBadSum, true}}, 3, "COM3",
                     Until(H, 5, {"The protocol version has not been read..", "Port disconnected."}), orNoAnswer, false},
        TFailureCase{"IncompatibleVersion", {}, 2, "COM3",
                     Join(Handshake(2), {"Incompatible version of the protocol..", "Port disconnected."}), orIncompatible,
                     false},
        TFailureCase{"FlashFails", {TFault{sim::fkNack, false, 1, 0, 300}}, 3, "COM3",
                     Join(Join(Join(H, Section("Flash", 848, 4)), ThreeHundredNacks()),
                          {"Flash sending error.", "Port disconnected."}),
                     orTransferError, false},
        TFailureCase{"EepromFails", {TFault{sim::fkPageNumber, false, 5}}, 3, "COM3",
                     Join(Join(Join(Join(H, Section("Flash", 848, 4)), {"Flash sending is completed successfully..."}),
                               Section("Eeprom", 72, 3)),
                          {"      Page number error.", "Eeprom sending error.", "Port disconnected."}),
                     orTransferError, false},
        TFailureCase{"FlashRbfFailsAndTheRestartIsStillSent", {TFault{sim::fkPageNumber, false, 8}}, 3, "COM3",
                     Join(Join(Join(Join(Join(Join(H, Section("Flash", 848, 4)),
                                              {"Flash sending is completed successfully..."}),
                                         Section("Eeprom", 72, 3)),
                                    {"Eeprom sending is completed successfully..."}),
                               Section("Flash_rbf", 528, 2)),
                          {"      Page number error.", "Flash_rbf sending error.", "Device restart ...",
                           "Upgrade completed.", "Port disconnected."}),
                     orTransferError, true}),
    [](const ::testing::TestParamInfo<TFailureCase>& info) { return std::string(info.param.Name); });

TEST(Upgrade, NoVersionReplyWaitsThreeSecondsAndSendsNothingElse) {
  sim::TDeviceOptions options;
  options.Faults = {TFault{sim::fkDrop, true}};
  TFormRig rig(options);
  rig.Offer(GoodFile(), "firmware.fw");
  const uint32_t start = rig.Line.Clock.TickMs();
  rig.Form->ButtonFlashClick();
  EXPECT_GE(rig.Line.Clock.TickMs() - start, 3000u);
  EXPECT_EQ(rig.Serial->Written, (TBytes{0xFF, 0x45, 0, 0, 0, 0, 0x45}));
}

TEST(Upgrade, DamagedFilesNeverReachTheDevice) {
  struct TCase {
    const char* Name;
    TBytes File;
    TLines Log;
  };
  const TBytes wrongCrc = TFwFileBuilder().Header({3, 264, 32, 264}).Section(ftFlash, Flash).EndWithCrc(1).Bytes();
  const TBytes noHeader = TFwFileBuilder().Section(ftFlash, Flash).End().Bytes();
  const TBytes noEnd = TFwFileBuilder().Header({3, 264, 32, 264}).Section(ftFlash, Flash).Bytes();
  const TBytes tooLong = TFwFileBuilder().Header({3, 264, 32, 264}).SectionRaw(ftFlash, 4096, Flash).Bytes();
  const std::string damaged = "Firmware error: the file is damaged, nothing was sent.";
  for (const TCase& c :
       {TCase{"wrong CRC", wrongCrc, Join(Opening(wrongCrc.size()),
                                         {Format("Firmware error: crc32 0x00000001 / 0x%.8X.",
                                                 Crc32Update(wrongCrc.data(), uint32_t(wrongCrc.size() - 5), 0)),
                                          damaged})},
        TCase{"no header", noHeader, {"Reading file...", Format("The file size was read: %i bytes.", int(noHeader.size())), damaged}},
        TCase{"no end record", noEnd, Join(Opening(noEnd.size()), {damaged})},
        TCase{"section beyond the file", tooLong, Join(Opening(tooLong.size()), {"Error: [Stream read error]."})}}) {
    TFormRig rig;
    rig.Offer(c.File, "firmware.fw");
    rig.Form->ButtonFlashClick();
    EXPECT_EQ(rig.Log(), c.Log) << c.Name;
    EXPECT_EQ(rig.Form->LastResult(), orDamagedFirmware) << c.Name;
    EXPECT_EQ(rig.Serial->Opens, 0u) << c.Name << ": no connection is made";
    EXPECT_FALSE(rig.Form->Busy());
  }
}

TEST(Upgrade, CancelledOrVanishedFiles) {
  TFormRig rig;
  rig.Files.FirmwareFileName = "/somewhere/old.fw";
  rig.Services.Answers.push_back(std::nullopt);
  rig.Form->ButtonFlashClick();
  EXPECT_TRUE(rig.Log().empty());
  EXPECT_EQ(rig.Form->LastResult(), orCancelled);
  EXPECT_EQ(rig.Files.FirmwareFileName, "/somewhere/old.fw");
  EXPECT_FALSE(rig.Form->Busy());

  const std::string missing = rig.Dir.File("vanished.fw");
  rig.Services.Answers.push_back(missing);
  rig.Form->ButtonFlashClick();
  EXPECT_EQ(rig.Log(), (TLines{"Reading file...", "Error: [Cannot open file " + missing + "]."}));
  EXPECT_EQ(rig.Form->LastResult(), orFileError);
  EXPECT_FALSE(rig.Form->Busy());
}

TEST(Upgrade, SectionWithoutDataButWithAPageSizeCountsAsSent) {
  TFormRig rig;
  const TBytes file = WriteFirmwareFile({3, 264, 32, 264}, Flash, {}, {});
  rig.Offer(file, "firmware.fw");
  rig.Form->ButtonFlashClick();
  EXPECT_EQ(rig.Form->LastResult(), orCompleted);
  const TLines& log = rig.Log();
  EXPECT_EQ(TLines(log.begin() + 20, log.begin() + 23), Section("Eeprom", 0, 0));
}

TEST(Upgrade, SecondRunStartsInTheFirstFilesFolderAndTheLogAccumulates) {
  TFormRig rig;
  const std::string path = rig.Offer(GoodFile(), "firmware.fw");
  rig.Form->ButtonFlashClick();
  const size_t firstRun = rig.Log().size();
  rig.Services.Answers.push_back(std::nullopt);
  rig.Form->ButtonFlashClick();
  ASSERT_EQ(rig.Services.Dialogs.size(), 2u);
  EXPECT_EQ(rig.Services.Dialogs[1].FileName, path);
  EXPECT_EQ(rig.Services.Dialogs[1].InitialDir, rig.Dir.Path());
  rig.Offer(GoodFile(), "again.fw");
  rig.Form->ButtonFlashClick();
  EXPECT_EQ(rig.Log().size(), 2 * firstRun);
}

}  // namespace
}  // namespace kelvo
