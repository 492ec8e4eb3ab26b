#include <windows.h>

#include "serial/SerialDevice.h"

namespace kelvo {

namespace {

// The Win32 serial calls, synchronous, on a COM port opened unshared.
class TWin32SerialDevice : public TSerialDevice {
 public:
  TWin32SerialDevice() = default;
  ~TWin32SerialDevice() override {
    if (Handle) CloseHandle(Handle);
  }
  TWin32SerialDevice(const TWin32SerialDevice&) = delete;
  TWin32SerialDevice& operator=(const TWin32SerialDevice&) = delete;

  TPortNaming Naming() const override { return pnComNumber; }

  bool Open(const std::string& devicePath) override {
    if (Handle) return false;
    HANDLE h = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    Handle = h;
    return true;
  }

  bool Close() override {
    if (!Handle) return true;
    if (!CloseHandle(Handle)) return false;
    Handle = nullptr;
    return true;
  }

  bool IsOpen() const override { return Handle != nullptr; }

  bool GetState(TLineSettings& state) override {
    Dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(Handle, &Dcb)) return false;
    state.BaudRate = Dcb.BaudRate;
    state.ByteSize = Dcb.ByteSize;
    state.Parity = Dcb.Parity;
    state.StopBits = Dcb.StopBits;
    state.fBinary = Dcb.fBinary;
    state.fOutxCtsFlow = Dcb.fOutxCtsFlow;
    state.fOutxDsrFlow = Dcb.fOutxDsrFlow;
    state.fDtrControl = static_cast<uint8_t>(Dcb.fDtrControl);
    state.fDsrSensitivity = Dcb.fDsrSensitivity;
    state.fOutX = Dcb.fOutX;
    state.fInX = Dcb.fInX;
    state.fErrorChar = Dcb.fErrorChar;
    state.fNull = Dcb.fNull;
    state.fRtsControl = static_cast<uint8_t>(Dcb.fRtsControl);
    state.fAbortOnError = Dcb.fAbortOnError;
    return true;
  }

  // Every DCB field not named here keeps the value GetCommState read.
  bool SetState(const TLineSettings& state) override {
    Dcb.BaudRate = state.BaudRate;
    Dcb.ByteSize = state.ByteSize;
    Dcb.Parity = state.Parity;
    Dcb.StopBits = state.StopBits;
    Dcb.fBinary = state.fBinary;
    Dcb.fOutxCtsFlow = state.fOutxCtsFlow;
    Dcb.fOutxDsrFlow = state.fOutxDsrFlow;
    Dcb.fDtrControl = state.fDtrControl;
    Dcb.fDsrSensitivity = state.fDsrSensitivity;
    Dcb.fOutX = state.fOutX;
    Dcb.fInX = state.fInX;
    Dcb.fErrorChar = state.fErrorChar;
    Dcb.fNull = state.fNull;
    Dcb.fRtsControl = state.fRtsControl;
    Dcb.fAbortOnError = state.fAbortOnError;
    return SetCommState(Handle, &Dcb);
  }

  bool SetupQueues(uint32_t inQueueSize, uint32_t outQueueSize) override {
    return SetupComm(Handle, inQueueSize, outQueueSize);
  }

  bool SetTimeouts(const TCommTimeouts& t) override {
    COMMTIMEOUTS timeouts{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                          t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
    return SetCommTimeouts(Handle, &timeouts);
  }

  // The error flags ClearCommError reports (and clears) are of no use here.
  // When the call fails the COMSTAT may be left untouched: nothing is taken from it.
  bool QueryStatus(uint32_t& inQueue) override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(Handle, &errors, &status)) return false;
    inQueue = status.cbInQue;
    return true;
  }

  bool ReadFile(void* buffer, uint32_t count, uint32_t& read) override {
    DWORD got = 0;
    const BOOL ok = ::ReadFile(Handle, buffer, count, &got, nullptr);
    read = got;
    return ok;
  }

  bool WriteFile(const void* buffer, uint32_t count, uint32_t& written) override {
    DWORD put = 0;
    const BOOL ok = ::WriteFile(Handle, buffer, count, &put, nullptr);
    written = put;
    return ok;
  }

 private:
  HANDLE Handle = nullptr;
  DCB Dcb{};
};

}  // namespace

std::unique_ptr<TSerialDevice> CreateSystemSerialDevice() { return std::make_unique<TWin32SerialDevice>(); }

}  // namespace kelvo
