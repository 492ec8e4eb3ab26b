#pragma once
// A TCOMSocket whose other end is the simulated boot loader, in virtual time.
#include <memory>

#include "base/Clock.h"
#include "serial/COMSocket.h"
#include "sim/BootLoaderDevice.h"
#include "sim/VirtualSerialDevice.h"

namespace kelvo::test {

struct TVirtualLine {
  explicit TVirtualLine(sim::TDeviceOptions options = {}, uint32_t startTick = 0)
      : Clock(startTick), Device(std::move(options)), Socket(MakeSerial(), Clock) {}

  TVirtualClock Clock;
  sim::TBootLoaderDevice Device;
  sim::TVirtualSerialDevice* Serial = nullptr;  // owned by Socket
  TCOMSocket Socket;

 private:
  std::unique_ptr<TSerialDevice> MakeSerial() {
    auto serial = std::make_unique<sim::TVirtualSerialDevice>(Device, Clock);
    Serial = serial.get();
    return serial;
  }
};

}  // namespace kelvo::test
