#pragma once
#include <termios.h>

#include "serial/SerialDevice.h"

namespace kelvo {

// A serial line on POSIX: the device path opened non-blocking without
// becoming the controlling terminal, for exclusive use, set fully raw.
class TPosixSerialDevice : public TSerialDevice {
 public:
  TPosixSerialDevice() = default;
  ~TPosixSerialDevice() override;
  TPosixSerialDevice(const TPosixSerialDevice&) = delete;
  TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;

  TPortNaming Naming() const override { return pnDevicePath; }
  bool Open(const std::string& devicePath) override;
  bool Close() override;
  bool IsOpen() const override { return Fd >= 0; }
  bool GetState(TLineSettings& state) override;
  bool SetState(const TLineSettings& state) override;
  bool SetupQueues(uint32_t inQueueSize, uint32_t outQueueSize) override;
  bool SetTimeouts(const TCommTimeouts& timeouts) override;
  bool QueryStatus(uint32_t& inQueue) override;
  bool ReadFile(void* buffer, uint32_t count, uint32_t& read) override;
  bool WriteFile(const void* buffer, uint32_t count, uint32_t& written) override;
  void WaitForInput(TClock& clock, uint32_t ms) override;

 private:
  int Fd = -1;
  termios Settings{};
  TCommTimeouts Timeouts;
};

// The speed constant of a baud rate, or B0 when there is none.
speed_t SpeedConstant(uint32_t baud);
// The baud rate of a speed constant, or 0.
uint32_t SpeedValue(speed_t speed);

}  // namespace kelvo
