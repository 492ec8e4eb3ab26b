#pragma once
// The tool's two operations, written once: the window runs them from its
// buttons, the command line from its arguments. Each reports every step as a
// line through its host and ends with a result a script can act on.
#include <optional>
#include <string>

#include "base/Clock.h"
#include "protocol/PageTransfer.h"

namespace kelvo {

enum TOperationResult : uint8_t {
  orCompleted,        // did all it was asked
  orCancelled,        // the file choice was cancelled
  orFileError,        // a file could not be opened, read, converted or written
  orPortError,        // the port could not be opened or set up
  orNoAnswer,         // the boot loader did not answer the version request
  orIncompatible,     // the file is for another protocol version
  orTransferError,    // a page transfer failed
  orDamagedFirmware,  // the firmware file is damaged
};

struct TOpenDialogParams {
  std::string Title;
  std::string Filter;      // "Firmware files *.fw|*.fw|All files|*.*"
  std::string DefaultExt;  // ".fw"
  std::string InitialDir;  // folder of the remembered file, or empty
  std::string FileName;    // the remembered file, or empty
};

// What an operation needs of whoever runs it.
class TOperationHost : public TTransferHost {
 public:
  // The chosen path, or nothing when the user cancels.
  virtual std::optional<std::string> ChooseFile(const TOpenDialogParams& params) = 0;
  // The port's name, read anew each time.
  virtual std::string PortText() = 0;
  virtual std::string SpeedText() = 0;
  // Busy from the first step to the last, on every path.
  virtual void SetBusy(bool busy) = 0;
  virtual TClock& Clock() = 0;
};

constexpr uint32_t BlcHandshakeBaudRate = 9600;
constexpr uint32_t BlcTransferBaudRate = 115200;
constexpr uint32_t BlcRestartPauseMs = 500;
constexpr uint32_t FontPageSize = 264;
constexpr int32_t FontFirstPage = 1582;
constexpr int32_t FontDefaultSpeed = 9600;

// The folder part of a path ("" when it has none).
std::string FolderOf(const std::string& path);

// "Upgrade": choose a .fw file, read it, ask the boot loader's version at
// 9600 baud, reconnect at 115200, send the three sections and restart.
// fileName is the remembered firmware file, updated when the user confirms.
TOperationResult RunUpgrade(TOperationHost& host, std::string& fileName);

// "Send fonts": choose a font sheet, convert it, save the table as
// tableFileName and send it into flash at the speed of SpeedText().
TOperationResult RunFontUpload(TOperationHost& host, std::string& fileName,
                               const std::string& tableFileName = "fonts.hex");

}  // namespace kelvo
