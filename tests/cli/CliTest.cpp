#include "cli/Cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "firmware/FirmwareWriter.h"
#include "fonts/FontSheet.h"
#include "fonts/FontSheetWriter.h"
#include "support/TempDir.h"
#include "support/VirtualRig.h"

namespace kelvo {
namespace {

using cli::RunKelvo;
using cli::TCliContext;
using TLines = std::vector<std::string>;

TLines Lines(const std::string& text) {
  TLines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The command against the simulated boot loader on a virtual line.
struct TRun {
  explicit TRun(sim::TDeviceOptions options = {}) : Line(std::move(options)), Context(Out, Err) {
    Context.MakeSerial = [this] { return std::make_unique<sim::TVirtualSerialDevice>(Line.Device, Line.Clock); };
    Context.Clock = &Line.Clock;
    Context.ListPorts = [](std::vector<std::string>& l) { l = {"COM1", "COM2", "COM10"}; };
  }
  int operator()(const std::vector<std::string>& args) { return RunKelvo(args, Context); }
  test::TVirtualLine Line;
  std::ostringstream Out, Err;
  TCliContext Context;
};

std::string WriteFw(const test::TTempDir& dir, const std::vector<uint8_t>& bytes, const char* name = "fw.fw") {
  test::WriteFileBytes(dir.File(name), std::string(bytes.begin(), bytes.end()));
  return dir.File(name);
}

std::vector<uint8_t> Sample() { return WriteFirmwareFile({3, 264, 32, 264}, std::vector<uint8_t>(700, 0x11), {1, 2, 3}, {}); }

TEST(Cli, UsageErrorsNameTheMistakeAndPointToHelp) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"frob"}, {"upgrade", "x.fw"}, {"upgrade", "--port"}, {"upgrade", "--port", "COM3"},
        {"fonts", "--port", "COM3", "a.bmp", "b.bmp"}, {"inspect", "--bogus", "a.fw"},
        {"pack", "-o", "x.fw", "--device-id", "300", "--flash-page-size", "1", "--eeprom-page-size", "1",
         "--flash-rbf-page-size", "1"},
        {"pack", "-o", "x.fw"}, {"upgrade", "--port", "COM3", "--quiet", "--json", "x.fw"}}) {
    TRun run;
    EXPECT_EQ(run(args), cli::esUsage) << (args.empty() ? "" : args[0]);
    const TLines err = Lines(run.Err.str());
    ASSERT_EQ(err.size(), 2u);
    EXPECT_EQ(err[0].rfind("kelvo: ", 0), 0u);
    EXPECT_EQ(err[1], "Try 'kelvo --help'.");
    EXPECT_EQ(run.Out.str(), "");
  }
}

TEST(Cli, HelpForTheWholeAndEveryCommand) {
  for (const char* command : {"ports", "inspect", "pack", "font-table", "upgrade", "fonts"}) {
    TRun run;
    EXPECT_EQ(run({command, "--help"}), cli::esOk);
    EXPECT_NE(run.Out.str().find(std::string("usage: kelvo ") + command), std::string::npos) << command;
  }
  TRun run;
  EXPECT_EQ(run({"--help"}), cli::esOk);
  EXPECT_NE(run.Out.str().find("8 damaged firmware"), std::string::npos);
}

TEST(Cli, PortsListsOnePerLine) {
  TRun run;
  EXPECT_EQ(run({"ports"}), 0);
  EXPECT_EQ(run.Out.str(), "COM1\nCOM2\nCOM10\n");
}

TEST(Cli, UpgradeWritesExactlyTheLogLinesAndNoProgressWhenNotATerminal) {
  test::TTempDir dir;
  const std::string fw = WriteFw(dir, Sample());
  TRun run;
  EXPECT_EQ(run({"upgrade", "--port", "COM3", fw}), cli::esOk);
  const TLines out = Lines(run.Out.str());
  ASSERT_EQ(out.size(), 30u);
  EXPECT_EQ(out[0], "Reading file...");
  EXPECT_EQ(out[9], "Baudrate: 9600");
  EXPECT_EQ(out[29], "Port disconnected.");
  EXPECT_EQ(run.Err.str(), "");
  EXPECT_TRUE(run.Line.Device.Restarted());
}

TEST(Cli, ProgressBarGoesToATerminalOnly) {
  test::TTempDir dir;
  const std::string fw = WriteFw(dir, Sample());
  TRun run;
  run.Context.ErrIsTerminal = true;
  EXPECT_EQ(run({"upgrade", "--port", "COM3", "--quiet", fw}), cli::esOk);
  EXPECT_EQ(run.Out.str(), "") << "--quiet drops the log lines";
  EXPECT_NE(run.Err.str().find("flash     ["), std::string::npos);
  EXPECT_NE(run.Err.str().find("2/3"), std::string::npos);
}

TEST(Cli, JsonEventsEndWithTheResult) {
  test::TTempDir dir;
  const std::string fw = WriteFw(dir, Sample());
  TRun run;
  EXPECT_EQ(run({"upgrade", "--port", "COM3", "--json", fw}), cli::esOk);
  const TLines out = Lines(run.Out.str());
  ASSERT_GT(out.size(), 30u);
  for (const std::string& line : out) {
    EXPECT_EQ(line.front(), '{');
    EXPECT_EQ(line.back(), '}');
  }
  EXPECT_EQ(out[0], "{\"event\":\"log\",\"line\":\"Reading file...\"}");
  EXPECT_NE(run.Out.str().find("{\"event\":\"progress\",\"memory\":\"eeprom\",\"page\":0,\"pages\":1}"), std::string::npos);
  EXPECT_EQ(out.back(), "{\"event\":\"result\",\"status\":\"completed\",\"exit\":0}");
}

TEST(Cli, ExitStatusForEveryKindOfFailure) {
  test::TTempDir dir;
  const std::string fw = WriteFw(dir, Sample());
  const std::string damaged =
      WriteFw(dir, TFwFileBuilder().Header({3, 264, 32, 264}).Section(ftFlash, {1}).EndWithCrc(7).Bytes(), "bad.fw");
  struct TCase {
    const char* Name;
    sim::TDeviceOptions Options;
    std::vector<std::string> Args;
    int Status;
  };
  sim::TDeviceOptions plain, silent, v2, nacks;
  silent.Faults = {sim::TFault{sim::fkDrop, true}};
  v2.Version = 2;
  nacks.Faults = {sim::TFault{sim::fkNack, false, 1, 0, 300}};
  const std::vector<TCase> cases = {TCase{"missing file", plain, {"upgrade", "--port", "COM3", dir.File("none.fw")}, cli::esFile},
                         TCase{"port", plain, {"upgrade", "--port", "COM9", fw}, cli::esPort},
                         TCase{"no answer", silent, {"upgrade", "--port", "COM3", fw}, cli::esNoAnswer},
                         TCase{"incompatible", v2, {"upgrade", "--port", "COM3", fw}, cli::esIncompatible},
                         TCase{"transfer", nacks, {"upgrade", "--port", "COM3", fw}, cli::esTransfer},
                         TCase{"damaged", plain, {"upgrade", "--port", "COM3", damaged}, cli::esDamagedFirmware},
                         TCase{"inspect damaged", plain, {"inspect", damaged}, cli::esDamagedFirmware},
                         TCase{"fonts sheet missing", plain, {"fonts", "--port", "COM3", dir.File("none.bmp")}, cli::esFile}};
  for (const TCase& c : cases) {
    TRun run(c.Options);
    EXPECT_EQ(run(c.Args), c.Status) << c.Name;
  }
}

TEST(Cli, PackThenInspectRoundTripsSectionsAndPageSizes) {
  test::TTempDir dir;
  test::WriteFileBytes(dir.File("flash.bin"), std::string(1000, '\x5A'));
  test::WriteFileBytes(dir.File("rbf.bin"), std::string(13, '\x01'));
  TRun pack;
  ASSERT_EQ(pack({"pack", "-o", dir.File("out.fw"), "--device-id", "0x0A", "--flash-page-size", "256",
                  "--eeprom-page-size", "32", "--flash-rbf-page-size", "264", "--flash", dir.File("flash.bin"),
                  "--flash-rbf", dir.File("rbf.bin")}),
            cli::esOk)
      << pack.Err.str();
  TRun inspect;
  EXPECT_EQ(inspect({"inspect", dir.File("out.fw")}), cli::esOk);
  EXPECT_EQ(Lines(inspect.Out.str()),
            (TLines{"DeviceID: 10 (0A).", "Flash page size: 256.", "EEPROM page size: 32.", "FlashRbf page size: 264.",
                    "Device ID: 10", "Page sizes: flash 256, EEPROM 32, flash_rbf 264", "Flash: 1000 bytes, 4 pages of 256",
                    "EEPROM: none", "Flash_rbf: 16 bytes, 1 pages of 264", "CRC-32: verified"}));
}

TEST(Cli, FontTableEqualsTheConversion) {
  test::TTempDir dir;
  TFontSheet sheet(171, 255);
  sheet.SetGlyphPixel(5, 3, 4, 0);
  const std::vector<uint8_t> bytes = sheet.Bytes();
  test::WriteFileBytes(dir.File("sheet.bmp"), std::string(bytes.begin(), bytes.end()));
  TRun run;
  EXPECT_EQ(run({"font-table", dir.File("sheet.bmp"), "-o", dir.File("table.bin")}), cli::esOk);
  TByteBuffer content(bytes), table;
  ConvertFontSheet(content, table);
  EXPECT_EQ(test::ReadFileBytes(dir.File("table.bin")), std::string(table.Contents().begin(), table.Contents().end()));
  TRun bad;
  test::WriteFileBytes(dir.File("short.bmp"), "BM");
  EXPECT_EQ(bad({"font-table", dir.File("short.bmp"), "-o", dir.File("t2.bin")}), cli::esFile);
  EXPECT_EQ(bad.Err.str(), "kelvo: Stream read error\n");
}

}  // namespace
}  // namespace kelvo
