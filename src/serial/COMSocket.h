#pragma once
// TCOMSocket: one serial port, opened by its name, set to fixed line settings
// at a chosen speed, then used with synchronous writes, reads that take only
// what has arrived, and a polling wait. Every operation reports through its
// result; nothing raises.
#include <cstdint>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "serial/SerialDevice.h"

namespace kelvo {

class TCOMSocket {
 public:
  // The platform's serial device and clock.
  TCOMSocket();
  TCOMSocket(std::unique_ptr<TSerialDevice> device, TClock& clock);
  ~TCOMSocket();
  TCOMSocket(const TCOMSocket&) = delete;
  TCOMSocket& operator=(const TCOMSocket&) = delete;

  // "COM<n>" (Windows) or an absolute device path (POSIX); refused while open.
  bool SetPort(const std::string& portText);
  bool Open();
  bool Close();
  bool GetState();
  bool SetState();
  bool SetTimeouts();
  bool SetupQueues();
  bool QueryStatus();
  uint32_t BytesInQueue();
  // At most count bytes, never more than are waiting; never waits.
  uint32_t Read(void* buffer, uint32_t count);
  uint32_t Write(const void* buffer, uint32_t count);
  // True once at least count bytes are waiting, false when the time-out
  // passes first. Looks at the queue once per poll interval; reads nothing.
  bool WaitForData(uint32_t count, uint32_t timeoutMs, uint32_t* elapsedMs = nullptr, uint32_t pollMs = 10);
  // SetPort, Open, then 8N1 at baud with no flow control, DTR and RTS off.
  bool Connect(const std::string& portText, uint32_t baud);
  // The speed of the settings last read from the driver.
  uint32_t CurrentBaudRate() const { return FState.BaudRate; }

  bool IsOpen() const { return FDevice->IsOpen(); }
  int32_t PortNumber() const { return FPortNumber; }
  const std::string& DevicePath() const { return FDevicePath; }
  const TLineSettings& State() const { return FState; }
  const TCommTimeouts& Timeouts() const { return FTimeouts; }

 private:
  std::unique_ptr<TSerialDevice> FDevice;
  TClock& FClock;
  int32_t FPortNumber = 0;
  std::string FDevicePath;
  TLineSettings FState;
  TCommTimeouts FTimeouts;
  uint32_t FInQueueSize = 0;
  uint32_t FOutQueueSize = 0;
  uint32_t FInQueue = 0;
};

}  // namespace kelvo
