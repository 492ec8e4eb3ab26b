// kelvo-sim: a boot-loader device on a pseudo-terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/DeviceOptionsParser.h"
#include "sim/posix/PtySimulator.h"

using namespace kelvo::sim;

namespace {

std::atomic<bool> StopRequested{false};
std::atomic<bool> DumpRequested{false};

void OnStop(int) { StopRequested = true; }
void OnDump(int) { DumpRequested = true; }

const char* Usage =
    "usage: kelvo-sim [options]\n"
    "A serial boot loader in software, on a pseudo-terminal. Prints the port path\n"
    "and serves the line until it is stopped (SIGINT, SIGTERM), hangs up as told,\n"
    "or with --exit-on-restart was told to restart.\n"
    "\n"
    "  --link PATH            also make PATH a symbolic link to the port\n"
    "  --out DIR              write flash.bin, eeprom.bin, flash_rbf.bin and\n"
    "                         transcript.txt there on exit, on restart, and on SIGUSR1\n"
    "  --version N            protocol version reported (default 3)\n"
    "  --flash SIZExCOUNT     page size and page count of flash (default 264x4096)\n"
    "  --eeprom SIZExCOUNT    of EEPROM (default 32x128)\n"
    "  --flash-rbf SIZExCOUNT of flash_rbf (default 264x4096)\n"
    "  --handshake-baud N     ignore a version request at any other speed\n"
    "  --page-baud N          ignore page frames at any other speed\n"
    "  --line-rate            replies wait for the wire time at the host's speed\n"
    "  --processing-us N      extra time per page\n"
    "  --fault KIND[:k=v,...] a fault on demand (repeatable): nack, drop, badsum,\n"
    "                         badstart, late (delay=MS), pagenumber, stray (bytes=N),\n"
    "                         code (code=N), hangup (page=N: after N pages); which\n"
    "                         exchange: version, page=N (N-th page), every=N;\n"
    "                         count=K: its first K attempts (default 1)\n"
    "  --exit-on-restart      end once the device is told to restart\n";

bool Value(int& i, int argc, char** argv, std::string& value) {
  if (i + 1 >= argc) return false;
  value = argv[++i];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  TDeviceOptions options;
  std::string link, out;
  bool exitOnRestart = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string value, error;
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      return 0;
    } else if (arg == "--line-rate") {
      options.LineRate = true;
    } else if (arg == "--exit-on-restart") {
      exitOnRestart = true;
    } else if (!Value(i, argc, argv, value)) {
      ok = false;
      error = arg.rfind("--", 0) == 0 ? arg + " needs a value" : "unknown argument " + arg;
    } else if (arg == "--link") {
      link = value;
    } else if (arg == "--out") {
      out = value;
    } else if (arg == "--version") {
      options.Version = static_cast<uint8_t>(std::strtoul(value.c_str(), nullptr, 0));
    } else if (arg == "--flash" || arg == "--eeprom" || arg == "--flash-rbf") {
      const int m = arg == "--flash" ? mFlash : arg == "--eeprom" ? mEeprom : mFlashRbf;
      ok = ParseGeometry(value, options.Memories[m]);
      error = "bad memory geometry " + value;
    } else if (arg == "--handshake-baud") {
      options.HandshakeBaud = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
    } else if (arg == "--page-baud") {
      options.PageBaud = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
    } else if (arg == "--processing-us") {
      options.ProcessingUs = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0));
    } else if (arg == "--fault") {
      TFault fault;
      ok = ParseFault(value, fault, error);
      if (ok) options.Faults.push_back(fault);
    } else {
      ok = false;
      error = "unknown option " + arg;
    }
    if (!ok) {
      std::fprintf(stderr, "kelvo-sim: %s (see --help)\n", error.c_str());
      return 2;
    }
  }

  std::signal(SIGINT, OnStop);
  std::signal(SIGTERM, OnStop);
  std::signal(SIGUSR1, OnDump);
  std::signal(SIGPIPE, SIG_IGN);

  TBootLoaderDevice device(options);
  try {
    TPtySimulator pty(device);
    if (!link.empty()) {
      unlink(link.c_str());
      if (symlink(pty.Path().c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "kelvo-sim: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
        return 1;
      }
    }
    std::printf("%s\n", pty.Path().c_str());
    std::fflush(stdout);
    if (!out.empty()) mkdir(out.c_str(), 0777);
    bool restartWritten = false;
    pty.Run([&] {
      if (!out.empty() && (DumpRequested.exchange(false) || (device.Restarted() && !restartWritten)))
        device.WriteOutputs(out);
      if (device.Restarted()) restartWritten = true;
      return !StopRequested && !(exitOnRestart && device.Restarted());
    });
    if (!out.empty()) device.WriteOutputs(out);
    if (!link.empty()) unlink(link.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kelvo-sim: %s\n", e.what());
    return 1;
  }
  return 0;
}
