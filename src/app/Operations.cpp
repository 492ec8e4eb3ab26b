#include "app/Operations.h"

#include <exception>

#include "base/ByteBuffer.h"
#include "base/Errors.h"
#include "base/Text.h"
#include "firmware/FirmwareImage.h"
#include "fonts/FontSheet.h"
#include "protocol/BlcFrame.h"
#include "serial/TextToInt.h"

namespace kelvo {

namespace {

// Busy from the first step to the last, whatever path the run takes.
class TBusyScope {
 public:
  explicit TBusyScope(TOperationHost& host) : Host(host) { Host.SetBusy(true); }
  ~TBusyScope() { Host.SetBusy(false); }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TOperationHost& Host;
};

// The closing steps: the port closed, and the line that ends every run that
// got this far.
void Disconnect(TOperationHost& host) {
  host.Port().Close();
  host.Log("Port disconnected.");
}

// The one error guard of an operation: the error's message in the log, and a
// port left open by the error closed again so that the next run finds it free.
TOperationResult Guard(TOperationHost& host, const std::exception_ptr& error, TOperationResult kind) {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
  }
  host.Log(Format("Error: [%s].", message.c_str()));
  if (host.Port().IsOpen()) Disconnect(host);
  return kind;
}

bool Connect(TOperationHost& host, uint32_t baud) {
  const std::string port = host.PortText();
  if (!host.Port().Connect(port, baud)) return false;
  host.Log("Connected.");
  host.Log(Format("Port: %s", port.c_str()));
  host.Log(Format("Baudrate: %i", static_cast<int>(host.Port().CurrentBaudRate())));
  return true;
}

std::optional<std::string> Choose(TOperationHost& host, std::string& fileName, const char* title, const char* filter,
                                  const char* ext) {
  const std::optional<std::string> chosen = host.ChooseFile({title, filter, ext, FolderOf(fileName), fileName});
  if (chosen) fileName = *chosen;
  return chosen;
}

// One section of the upgrade: "<name> sending...", the transfer, and its
// closing line ("... error." or, for all but flash_rbf, "... completed ...").
bool SendSection(TOperationHost& host, TTargetMemory target, uint32_t pageSize, TByteBuffer& data, const char* name) {
  host.Log(Format("%s sending...", name));
  if (!SendPages(host, target, pageSize, 0, data)) {
    host.Log(Format("%s sending error.", name));
    return false;
  }
  if (target != tmFlashRbf) host.Log(Format("%s sending is completed successfully...", name));
  return true;
}

// Steps of the upgrade after the file is chosen; raised errors go to the guard.
TOperationResult Upgrade(TOperationHost& host, const std::string& fileName, TOperationResult& raisedKind) {
  TCOMSocket& port = host.Port();
  TByteBuffer content;
  TFirmwareImage image;
  raisedKind = orFileError;
  host.Log("Reading file...");
  content.LoadFromFile(fileName);
  host.Log(Format("The file size was read: %i bytes.", static_cast<int>(content.Size())));
  raisedKind = orDamagedFirmware;
  ReadFirmwareImage(content, image, [&](const std::string& line) { host.Log(line); });
  raisedKind = orFileError;
  // A file without a header or a verified CRC-32 must never reach the device.
  if (!image.HasHeader || !image.CrcOk) {
    host.Log("Firmware error: the file is damaged, nothing was sent.");
    return orDamagedFirmware;
  }

  host.Log("Connecting....");
  if (!Connect(host, BlcHandshakeBaudRate)) {
    host.Log("Error opening port.");
    Disconnect(host);
    return orPortError;
  }
  TBlcFrame frame{};
  frame.InitFrame();
  host.Log("Reading protocol version...");
  frame.SetCommand(blcAckVersion);
  frame.SetCheckSum();
  port.Write(frame.Bytes, BlcFrameSize);
  frame.ClearData();
  const bool versionRead = port.WaitForData(BlcFrameSize, BlcReplyTimeoutMs, nullptr, BlcReplyPollMs) &&
                           port.Read(frame.Bytes, BlcFrameSize) == BlcFrameSize && frame.IsCorrectCheckSum() &&
                           frame.GetCommand() == blcAckVersion;
  if (!versionRead) {
    host.Log("The protocol version has not been read..");
    Disconnect(host);
    return orNoAnswer;
  }
  const uint8_t version = frame.Bytes[2];
  host.Log(Format("Protokol version: %i.", version));

  port.Close();
  host.Log("Switching to 115200...");
  if (!Connect(host, BlcTransferBaudRate)) {
    host.Log("Error opening port.");
    Disconnect(host);
    return orPortError;
  }
  if (image.DeviceID != version) {
    host.Log("Incompatible version of the protocol..");
    Disconnect(host);
    return orIncompatible;
  }

  if (!SendSection(host, tmFlash, image.FlashPageSize, image.FlashData, "Flash") ||
      !SendSection(host, tmEeprom, image.EepromPageSize, image.EepromData, "Eeprom")) {
    Disconnect(host);
    return orTransferError;
  }
  // A failed flash_rbf transfer still ends with the restart, and a good one has no line of its own.
  const bool rbfOk = SendSection(host, tmFlashRbf, image.FlashRbfPageSize, image.FlashRbfData, "Flash_rbf");

  host.Log("Device restart ...");
  frame.SetCommand(blcRestart);
  frame.SetCheckSum();
  port.Write(frame.Bytes, BlcFrameSize);
  host.Clock().SleepMs(BlcRestartPauseMs);
  host.Log("Upgrade completed.");
  Disconnect(host);
  return rbfOk ? orCompleted : orTransferError;
}

TOperationResult FontUpload(TOperationHost& host, const std::string& fileName, const std::string& tableFileName) {
  TByteBuffer content;
  TByteBuffer table;
  host.Log("Reading a file...");
  content.LoadFromFile(fileName);
  host.Log(Format("The file size was read: %i bytes.", static_cast<int>(content.Size())));
  ConvertFontSheet(content, table);
  SaveFontTable(table, tableFileName);

  host.Log("Connecting....");
  if (!Connect(host, static_cast<uint32_t>(TextToIntDef(host.SpeedText(), FontDefaultSpeed)))) {
    Disconnect(host);
    return orPortError;
  }
  host.Log("Fonts sending...");
  const bool sent = SendPages(host, tmFlash, FontPageSize, FontFirstPage, table);
  host.Log(sent ? "Fonts sending is completed successfully." : "Fonts sending error.");
  Disconnect(host);
  return sent ? orCompleted : orTransferError;
}

}  // namespace

std::string FolderOf(const std::string& path) {
#if defined(_WIN32)
  const size_t cut = path.find_last_of("\\/:");
#else
  const size_t cut = path.find_last_of('/');
#endif
  if (cut == std::string::npos) return std::string();
  if (path[cut] == ':') return path.substr(0, cut + 1);  // "C:name" lies in "C:"
  return path.substr(0, cut == 0 ? 1 : cut);
}

TOperationResult RunUpgrade(TOperationHost& host, std::string& fileName) {
  TBusyScope busy(host);
  const std::optional<std::string> chosen =
      Choose(host, fileName, "Open firmware", "Firmware files *.fw|*.fw|All files|*.*", ".fw");
  if (!chosen) return orCancelled;
  TOperationResult raisedKind = orFileError;
  try {
    return Upgrade(host, *chosen, raisedKind);
  } catch (...) {
    return Guard(host, std::current_exception(), raisedKind);
  }
}

TOperationResult RunFontUpload(TOperationHost& host, std::string& fileName, const std::string& tableFileName) {
  TBusyScope busy(host);
  const std::optional<std::string> chosen =
      Choose(host, fileName, "Open font", "Font files *.bmp|*.bmp|All files|*.*", ".bmp");
  if (!chosen) return orCancelled;
  try {
    return FontUpload(host, *chosen, tableFileName);
  } catch (...) {
    return Guard(host, std::current_exception(), orFileError);
  }
}

}  // namespace kelvo
