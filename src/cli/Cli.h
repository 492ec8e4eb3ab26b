#pragma once
// kelvo: the tool's two operations from a shell, and tools for .fw files and
// font sheets. The operations are the very ones the window runs.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "serial/SerialDevice.h"

namespace kelvo::cli {

enum TExitStatus : int {
  esOk = 0,
  esInternal = 1,
  esUsage = 2,
  esFile = 3,
  esPort = 4,
  esNoAnswer = 5,
  esIncompatible = 6,
  esTransfer = 7,
  esDamagedFirmware = 8,
};

struct TCliContext {
  TCliContext(std::ostream& out, std::ostream& err, bool errIsTerminal = false)
      : Out(out), Err(err), ErrIsTerminal(errIsTerminal) {}
  std::ostream& Out;
  std::ostream& Err;
  bool ErrIsTerminal = false;
  std::function<std::unique_ptr<TSerialDevice>()> MakeSerial = CreateSystemSerialDevice;
  TClock* Clock = &SystemClock();
  std::function<void(std::vector<std::string>&)> ListPorts;  // the system's by default
};

// args without the program name. Returns the exit status.
int RunKelvo(const std::vector<std::string>& args, TCliContext& context);

}  // namespace kelvo::cli
