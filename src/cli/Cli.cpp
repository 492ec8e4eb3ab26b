#include "cli/Cli.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>

#include "app/Operations.h"
#include "base/ByteBuffer.h"
#include "base/Errors.h"
#include "base/Text.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareWriter.h"
#include "fonts/FontSheet.h"
#include "serial/PortDiscovery.h"
#include "serial/TextToInt.h"

namespace kelvo::cli {

namespace {

const char* const MainHelp =
    "usage: kelvo COMMAND [OPTIONS] [ARGS]\n"
    "\n"
    "Loads new contents into a device through its serial boot loader.\n"
    "\n"
    "commands:\n"
    "  ports                      the serial ports, one per line\n"
    "  inspect FILE.fw            the firmware file's header, sections and CRC\n"
    "  pack -o OUT.fw ...         a .fw file from raw binary sections\n"
    "  font-table SHEET.bmp       a font sheet converted into its glyph table\n"
    "  upgrade --port PORT FILE.fw  the firmware upgrade\n"
    "  fonts --port PORT SHEET.bmp  the font upload\n"
    "\n"
    "'kelvo COMMAND --help' tells more. A port is COMn on Windows and a device\n"
    "path (/dev/ttyUSB0) elsewhere.\n"
    "\n"
    "options of upgrade and fonts:\n"
    "  --quiet   no log lines          --json   one JSON object per event\n"
    "\n"
    "exit status:\n"
    "  0 done   1 internal error   2 usage   3 file   4 port\n"
    "  5 no boot loader answer   6 incompatible version   7 transfer failed\n"
    "  8 damaged firmware\n";

const std::map<std::string, std::string> CommandHelp = {
    {"ports", "usage: kelvo ports\nThe serial ports as the window's port box lists them, one per line.\n"},
    {"inspect",
     "usage: kelvo inspect FILE.fw\nReads the file as an upgrade would: the reader's log lines, then a summary of\n"
     "the device id, the page sizes, the sections and the CRC-32. Exit 8 when the\nfile is damaged.\n"},
    {"pack",
     "usage: kelvo pack -o OUT.fw --device-id N --flash-page-size N --eeprom-page-size N\n"
     "                  --flash-rbf-page-size N [--flash FILE] [--eeprom FILE] [--flash-rbf FILE]\n"
     "Writes a well-formed .fw file: the header, each section given (raw binary),\n"
     "padded to a multiple of 8 bytes, and the CRC-32 end record.\n"},
    {"font-table",
     "usage: kelvo font-table SHEET.bmp [-o OUT]\nConverts a font sheet (8-bit bitmap, 170 to 172 x 425) into the 16,320-byte\n"
     "glyph table the device takes, written to OUT (fonts.hex by default).\n"},
    {"upgrade",
     "usage: kelvo upgrade --port PORT [--quiet | --json] FILE.fw\n"
     "The firmware upgrade, as the window's \"Upgrade\" runs it: version handshake at\n"
     "9600 baud, then every section at 115200, then the restart. Standard output\n"
     "carries the log lines; a progress bar goes to standard error when it is a terminal.\n"},
    {"fonts",
     "usage: kelvo fonts --port PORT [--speed N] [--quiet | --json] SHEET.bmp\n"
     "The font upload, as the window's \"Send fonts\" runs it: the sheet converted,\n"
     "saved as fonts.hex in the current directory, and sent into flash from page\n"
     "1582 at the speed given (as the speed box takes it; 9600 by default).\n"},
};

// Options of one command: flags (no value) and valued options, plus positional arguments.
struct TParsed {
  std::map<std::string, std::string> Values;
  std::set<std::string> Flags;
  std::vector<std::string> Positional;
};

class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

TParsed Parse(const std::vector<std::string>& args, const std::set<std::string>& valued,
              const std::set<std::string>& flags) {
  TParsed parsed;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (valued.count(a)) {
      if (i + 1 >= args.size()) throw EUsage(a + " needs a value");
      parsed.Values[a] = args[++i];
    } else if (flags.count(a)) {
      parsed.Flags.insert(a);
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsage("unknown option " + a);
    } else {
      parsed.Positional.push_back(a);
    }
  }
  return parsed;
}

std::string Require(const TParsed& p, const std::string& option) {
  const auto found = p.Values.find(option);
  if (found == p.Values.end()) throw EUsage("missing " + option);
  return found->second;
}

uint32_t NumberOption(const TParsed& p, const std::string& option, uint32_t limit) {
  const std::string text = Require(p, option);
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || text[0] == '-' || v > limit) throw EUsage(option + " takes a number from 0 to " + std::to_string(limit));
  return static_cast<uint32_t>(v);
}

std::string OneFile(const TParsed& p, const char* what) {
  if (p.Positional.size() != 1) throw EUsage(std::string("expects one ") + what);
  return p.Positional[0];
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
#if defined(_WIN32)
    } else if (c >= 0x80) {
      // Log lines are ANSI here; JSON is UTF-8. The tool's own text uses only
      // letters that Latin-1 shares with the Central and Western code pages.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
#endif
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* MemoryName(TTargetMemory target) {
  return target == tmFlash ? "flash" : target == tmEeprom ? "eeprom" : "flash_rbf";
}

// The command's host of an operation: the file from the arguments, the log
// on standard output, progress on standard error.
class TCliHost : public TOperationHost {
 public:
  TCliHost(TCliContext& context, std::string file, std::string port, std::string speed, bool quiet, bool json)
      : Context(context), File(std::move(file)), PortName(std::move(port)), Speed(std::move(speed)), Quiet(quiet),
        Json(json), Socket(context.MakeSerial(), *context.Clock) {}

  TCOMSocket& Port() override { return Socket; }
  void Log(const std::string& line) override {
    EndBar();
    if (Json)
      Context.Out << "{\"event\":\"log\",\"line\":" << JsonString(line) << "}\n";
    else if (!Quiet)
      Context.Out << line << "\n";
    Context.Out.flush();
  }
  void SetProgressMax(int32_t max) override { Pages = max; }
  void TransferStarted(TTargetMemory target, uint32_t pageSize, uint32_t) override {
    Target = target;
    PageSize = pageSize;
    Start = std::chrono::steady_clock::now();
  }
  void SetProgressPosition(int32_t position) override {
    if (Json) {
      Context.Out << "{\"event\":\"progress\",\"memory\":\"" << MemoryName(Target) << "\",\"page\":" << position
                  << ",\"pages\":" << Pages << "}\n";
      return;
    }
    if (!Context.ErrIsTerminal || Pages <= 0) return;
    // The position is the page under way: the pages before it are done.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    const double rate = seconds > 0 ? position * static_cast<double>(PageSize) / seconds : 0;
    const int width = 30, filled = width * position / Pages;
    const double left = position > 0 ? seconds * (Pages - position) / position : 0;
    char bar[160];
    std::snprintf(bar, sizeof bar, "\r%-9s [%s%s] %5d/%-5d %3d%% %8.0f B/s %4.0f s left", MemoryName(Target),
                  std::string(static_cast<size_t>(filled), '#').c_str(),
                  std::string(static_cast<size_t>(width - filled), ' ').c_str(), position, Pages,
                  100 * position / Pages, rate, left);
    Context.Err << bar;
    Context.Err.flush();
    BarShown = true;
  }
  void ProcessMessages() override {}
  std::optional<std::string> ChooseFile(const TOpenDialogParams&) override { return File; }
  std::string PortText() override { return PortName; }
  std::string SpeedText() override { return Speed; }
  void SetBusy(bool) override {}
  TClock& Clock() override { return *Context.Clock; }
  void EndBar() {
    if (BarShown) Context.Err << "\n";
    BarShown = false;
  }

 private:
  TCliContext& Context;
  std::string File, PortName, Speed;
  bool Quiet, Json;
  TCOMSocket Socket;
  int32_t Pages = 0;
  TTargetMemory Target = tmFlash;
  uint32_t PageSize = 0;
  std::chrono::steady_clock::time_point Start;
  bool BarShown = false;
};

int StatusOf(TOperationResult result) {
  switch (result) {
    case orCompleted: return esOk;
    case orCancelled: return esInternal;
    case orFileError: return esFile;
    case orPortError: return esPort;
    case orNoAnswer: return esNoAnswer;
    case orIncompatible: return esIncompatible;
    case orTransferError: return esTransfer;
    case orDamagedFirmware: return esDamagedFirmware;
  }
  return esInternal;
}

const char* ResultName(TOperationResult result) {
  switch (result) {
    case orCompleted: return "completed";
    case orCancelled: return "cancelled";
    case orFileError: return "file error";
    case orPortError: return "port error";
    case orNoAnswer: return "no boot loader answer";
    case orIncompatible: return "incompatible version";
    case orTransferError: return "transfer failed";
    case orDamagedFirmware: return "damaged firmware";
  }
  return "unknown";
}

int RunOperation(const std::vector<std::string>& args, TCliContext& context, bool upgrade) {
  const TParsed p = Parse(args, upgrade ? std::set<std::string>{"--port"} : std::set<std::string>{"--port", "--speed"},
                          {"--quiet", "--json"});
  const std::string port = Require(p, "--port");
  const std::string file = OneFile(p, upgrade ? "firmware file" : "font sheet");
  const bool json = p.Flags.count("--json") > 0;
  if (json && p.Flags.count("--quiet")) throw EUsage("--quiet and --json exclude each other");
  const auto speed = p.Values.find("--speed");
  TCliHost host(context, file, port, speed == p.Values.end() ? "9600" : speed->second, p.Flags.count("--quiet") > 0,
                json);
  std::string remembered;
  const TOperationResult result = upgrade ? RunUpgrade(host, remembered) : RunFontUpload(host, remembered);
  host.EndBar();
  const int status = StatusOf(result);
  if (json) context.Out << "{\"event\":\"result\",\"status\":\"" << ResultName(result) << "\",\"exit\":" << status << "}\n";
  return status;
}

int Ports(const std::vector<std::string>& args, TCliContext& context) {
  const TParsed p = Parse(args, {}, {});
  if (!p.Positional.empty()) throw EUsage("ports takes no arguments");
  std::vector<std::string> list;
  if (context.ListPorts)
    context.ListPorts(list);
  else
    EnumerateSystemSerialPorts(list);
  for (const std::string& name : list) context.Out << name << "\n";
  return esOk;
}

int Inspect(const std::vector<std::string>& args, TCliContext& context) {
  const TParsed p = Parse(args, {}, {});
  const std::string path = OneFile(p, "firmware file");
  TByteBuffer content;
  content.LoadFromFile(path);
  TFirmwareImage image;
  try {
    ReadFirmwareImage(content, image, [&](const std::string& line) { context.Out << line << "\n"; });
  } catch (const EStreamReadError& e) {
    context.Out << "Error: [" << e.what() << "].\n";
    return esDamagedFirmware;
  }
  auto section = [&](const char* name, const TByteBuffer& data, uint32_t pageSize, bool present) {
    const uint64_t pages = pageSize == 0 ? 0 : (data.Size() + pageSize - 1) / pageSize;
    context.Out << name << ": " << (present ? std::to_string(data.Size()) + " bytes, " + std::to_string(pages) +
                                                  " pages of " + std::to_string(pageSize)
                                            : std::string("none"))
                << "\n";
  };
  context.Out << "Device ID: " << (image.HasHeader ? std::to_string(image.DeviceID) : "no header") << "\n";
  context.Out << "Page sizes: flash " << image.FlashPageSize << ", EEPROM " << image.EepromPageSize << ", flash_rbf "
              << image.FlashRbfPageSize << "\n";
  section("Flash", image.FlashData, image.FlashPageSize, image.HasFlash);
  section("EEPROM", image.EepromData, image.EepromPageSize, image.HasEeprom);
  section("Flash_rbf", image.FlashRbfData, image.FlashRbfPageSize, image.HasFlashRbf);
  context.Out << "CRC-32: " << (image.CrcOk ? "verified" : "not verified") << "\n";
  return image.HasHeader && image.CrcOk ? esOk : esDamagedFirmware;
}

std::vector<uint8_t> LoadSection(const TParsed& p, const std::string& option) {
  const auto found = p.Values.find(option);
  if (found == p.Values.end()) return {};
  TByteBuffer data;
  data.LoadFromFile(found->second);
  if (data.Size() > 0xFFFFFFF8u) throw EUsage(option + " file is too large for a .fw section");
  return data.Contents();
}

int Pack(const std::vector<std::string>& args) {
  const TParsed p = Parse(args,
                          {"-o", "--device-id", "--flash-page-size", "--eeprom-page-size", "--flash-rbf-page-size",
                           "--flash", "--eeprom", "--flash-rbf"},
                          {});
  if (!p.Positional.empty()) throw EUsage("unexpected argument " + p.Positional[0]);
  const std::string out = Require(p, "-o");
  TFwHeader header;
  header.DeviceID = static_cast<uint8_t>(NumberOption(p, "--device-id", 255));
  header.FlashPageSize = NumberOption(p, "--flash-page-size", 0xFFFFFFFFu);
  header.EepromPageSize = NumberOption(p, "--eeprom-page-size", 0xFFFFFFFFu);
  header.FlashRbfPageSize = NumberOption(p, "--flash-rbf-page-size", 0xFFFFFFFFu);
  const std::vector<uint8_t> file =
      WriteFirmwareFile(header, LoadSection(p, "--flash"), LoadSection(p, "--eeprom"), LoadSection(p, "--flash-rbf"));
  TByteBuffer(file).SaveToFile(out);
  return esOk;
}

int FontTable(const std::vector<std::string>& args) {
  const TParsed p = Parse(args, {"-o"}, {});
  const std::string sheet = OneFile(p, "font sheet");
  const auto out = p.Values.find("-o");
  TByteBuffer content, table;
  content.LoadFromFile(sheet);
  ConvertFontSheet(content, table);
  SaveFontTable(table, out == p.Values.end() ? FontTableFileName : out->second);
  return esOk;
}

}  // namespace

int RunKelvo(const std::vector<std::string>& args, TCliContext& context) {
  try {
    if (args.empty()) throw EUsage("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
      context.Out << MainHelp;
      return esOk;
    }
    const auto help = CommandHelp.find(command);
    if (help != CommandHelp.end())
      for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
          context.Out << help->second;
          return esOk;
        }
    if (command == "ports") return Ports(args, context);
    if (command == "inspect") return Inspect(args, context);
    if (command == "pack") return Pack(args);
    if (command == "font-table") return FontTable(args);
    if (command == "upgrade") return RunOperation(args, context, true);
    if (command == "fonts") return RunOperation(args, context, false);
    throw EUsage("unknown command '" + command + "'");
  } catch (const EUsage& e) {
    context.Err << "kelvo: " << e.what() << "\nTry 'kelvo --help'.\n";
    return esUsage;
  } catch (const EKelvoError& e) {
    context.Err << "kelvo: " << e.what() << "\n";
    return esFile;
  } catch (const std::exception& e) {
    context.Err << "kelvo: " << e.what() << "\n";
    return esInternal;
  }
}

}  // namespace kelvo::cli
