#pragma once
// A serial device whose other end is a TBootLoaderDevice, in virtual time:
// the engine's 300 attempts of 3 s each take milliseconds.
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "serial/SerialDevice.h"
#include "sim/BootLoaderDevice.h"

namespace kelvo::sim {

class TVirtualSerialDevice : public TSerialDevice {
 public:
  TVirtualSerialDevice(TBootLoaderDevice& device, TClock& clock, TPortNaming naming = pnComNumber);

  TPortNaming Naming() const override { return FNaming; }
  bool Open(const std::string& devicePath) override;
  bool Close() override;
  bool IsOpen() const override { return FOpen; }
  bool GetState(TLineSettings& state) override;
  bool SetState(const TLineSettings& state) override;
  bool SetupQueues(uint32_t inQueueSize, uint32_t outQueueSize) override;
  bool SetTimeouts(const TCommTimeouts& timeouts) override;
  bool QueryStatus(uint32_t& inQueue) override;
  bool ReadFile(void* buffer, uint32_t count, uint32_t& read) override;
  bool WriteFile(const void* buffer, uint32_t count, uint32_t& written) override;

  // Bytes that arrive at once, as if the device had sent them.
  void Inject(const std::vector<uint8_t>& bytes);

  // What the test controls and observes.
  std::set<std::string> Paths{"\\\\.\\COM3"};  // devices that exist
  std::set<uint32_t> RefusedBauds;             // speeds the driver refuses
  uint32_t WriteLimit = UINT32_MAX;            // a write takes at most this much
  bool CloseFails = false;
  uint32_t SystemCalls = 0;
  uint32_t Opens = 0;
  std::string OpenedPath;
  std::vector<uint8_t> Written;  // everything the host wrote, in order
  TLineSettings Line;            // what the driver holds
  TCommTimeouts Timeouts;
  uint32_t InQueueSize = 0, OutQueueSize = 0;

 private:
  uint64_t NowUs();
  TBootLoaderDevice& Device;
  TClock& Clock;
  TPortNaming FNaming;
  bool FOpen = false;
  std::deque<uint8_t> Input;
  uint32_t LastTick = 0;
  uint64_t ElapsedUs = 0;
};

}  // namespace kelvo::sim
