#include "serial/COMSocket.h"

#include "serial/PortName.h"

namespace kelvo {

TCOMSocket::TCOMSocket() : TCOMSocket(CreateSystemSerialDevice(), SystemClock()) {}

TCOMSocket::TCOMSocket(std::unique_ptr<TSerialDevice> device, TClock& clock)
    : FDevice(std::move(device)), FClock(clock) {}

TCOMSocket::~TCOMSocket() {
  if (IsOpen()) Close();
}

bool TCOMSocket::SetPort(const std::string& portText) {
  if (IsOpen()) return false;
  if (FDevice->Naming() == pnComNumber) {
    const std::optional<int32_t> number = ComPortNumber(portText);
    if (!number) return false;
    FPortNumber = *number;
    FDevicePath = ComDevicePath(*number);
    return FPortNumber != 0;
  }
  if (!IsDevicePathText(portText)) return false;
  FPortNumber = 0;
  FDevicePath = portText;
  return true;
}

bool TCOMSocket::Open() {
  // A handle that will not close is not dropped and replaced: it would leak
  // and keep the port busy.
  if (!Close()) return false;
  if (FDevicePath.empty()) return false;
  return FDevice->Open(FDevicePath);
}

bool TCOMSocket::Close() { return !IsOpen() || FDevice->Close(); }

bool TCOMSocket::GetState() { return IsOpen() && FDevice->GetState(FState); }

bool TCOMSocket::SetState() { return IsOpen() && FDevice->SetState(FState); }

bool TCOMSocket::SetTimeouts() { return IsOpen() && FDevice->SetTimeouts(FTimeouts); }

bool TCOMSocket::SetupQueues() { return IsOpen() && FDevice->SetupQueues(FInQueueSize, FOutQueueSize); }

bool TCOMSocket::QueryStatus() { return FDevice->QueryStatus(FInQueue); }

uint32_t TCOMSocket::BytesInQueue() {
  if (!IsOpen() || !QueryStatus()) return 0;
  return FInQueue;
}

uint32_t TCOMSocket::Read(void* buffer, uint32_t count) {
  if (!IsOpen() || buffer == nullptr || count == 0) return 0;
  uint32_t n = BytesInQueue();
  if (n == 0) return 0;
  if (n > count) n = count;
  uint32_t read = 0;
  return FDevice->ReadFile(buffer, n, read) ? read : 0;
}

uint32_t TCOMSocket::Write(const void* buffer, uint32_t count) {
  if (!IsOpen() || buffer == nullptr || count == 0) return 0;
  uint32_t written = 0;
  return FDevice->WriteFile(buffer, count, written) ? written : 0;
}

bool TCOMSocket::WaitForData(uint32_t count, uint32_t timeoutMs, uint32_t* elapsedMs, uint32_t pollMs) {
  const uint32_t start = FClock.TickMs();
  for (;;) {
    // Unsigned difference: a wait across the wrap of the tick counter lasts its whole time-out.
    const uint32_t spent = FClock.TickMs() - start;
    if (spent >= timeoutMs) return false;
    if (BytesInQueue() >= count) {
      if (elapsedMs) *elapsedMs = spent;
      return true;
    }
    FDevice->WaitForInput(FClock, pollMs);
  }
}

bool TCOMSocket::Connect(const std::string& portText, uint32_t baud) {
  if (!SetPort(portText) || !Open() || !GetState()) return false;
  FState.BaudRate = baud;
  FState.ByteSize = 8;
  FState.Parity = 0;
  FState.StopBits = 0;
  FState.fBinary = true;
  FState.fOutxCtsFlow = false;
  FState.fOutxDsrFlow = false;
  FState.fDtrControl = 0;
  FState.fDsrSensitivity = false;
  FState.fOutX = false;
  FState.fInX = false;
  FState.fErrorChar = false;
  FState.fNull = false;
  FState.fRtsControl = 0;
  FState.fAbortOnError = false;
  FInQueueSize = 1024;
  FOutQueueSize = 1024;
  FTimeouts.ReadIntervalTimeout = 100;
  FTimeouts.ReadTotalTimeoutMultiplier = 10;
  FTimeouts.ReadTotalTimeoutConstant = 100;
  FTimeouts.WriteTotalTimeoutMultiplier = 10;
  FTimeouts.WriteTotalTimeoutConstant = 100;
  // The last read-back makes CurrentBaudRate report what the driver accepted.
  return SetState() && SetupQueues() && SetTimeouts() && GetState();
}

}  // namespace kelvo
