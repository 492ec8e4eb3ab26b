#pragma once
// The small interface between TCOMSocket and a serial device: the Win32
// serial calls, their POSIX counterparts, or a device in software.
#include <cstdint>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "serial/PortName.h"

namespace kelvo {

// The line settings TCOMSocket reads and writes, with the meaning of the
// Win32 DCB fields of the same names.
struct TLineSettings {
  uint32_t BaudRate = 0;
  uint8_t ByteSize = 0;
  uint8_t Parity = 0;    // 0 none, 1 odd, 2 even
  uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool fBinary = false;
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  uint8_t fDtrControl = 0;  // 0 off, 1 on, 2 handshake
  bool fDsrSensitivity = false;
  bool fOutX = false;
  bool fInX = false;
  bool fErrorChar = false;
  bool fNull = false;
  uint8_t fRtsControl = 0;  // 0 off, 1 on, 2 handshake, 3 toggle
  bool fAbortOnError = false;
};

struct TCommTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
  uint32_t WriteTotalTimeoutMultiplier = 0;
  uint32_t WriteTotalTimeoutConstant = 0;
};

class TSerialDevice {
 public:
  virtual ~TSerialDevice() = default;
  // How port texts name devices on this backend.
  virtual TPortNaming Naming() const = 0;
  // All or nothing: on failure the device stays closed.
  virtual bool Open(const std::string& devicePath) = 0;
  // On failure the device stays open.
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  // Settings the driver holds; fields the backend has no counterpart for
  // keep what state held.
  virtual bool GetState(TLineSettings& state) = 0;
  virtual bool SetState(const TLineSettings& state) = 0;
  virtual bool SetupQueues(uint32_t inQueueSize, uint32_t outQueueSize) = 0;
  virtual bool SetTimeouts(const TCommTimeouts& timeouts) = 0;
  // The number of received bytes waiting.
  virtual bool QueryStatus(uint32_t& inQueue) = 0;
  virtual bool ReadFile(void* buffer, uint32_t count, uint32_t& read) = 0;
  // Bounded by the write time-outs; written tells how much went out.
  virtual bool WriteFile(const void* buffer, uint32_t count, uint32_t& written) = 0;
  // The pause between two looks at the input queue. A backend that can be
  // woken by arriving input may end it early.
  virtual void WaitForInput(TClock& clock, uint32_t ms) { clock.SleepMs(ms); }
};

// The backend of this platform.
std::unique_ptr<TSerialDevice> CreateSystemSerialDevice();

}  // namespace kelvo
