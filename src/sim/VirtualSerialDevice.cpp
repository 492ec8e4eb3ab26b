#include "sim/VirtualSerialDevice.h"

namespace kelvo::sim {

TVirtualSerialDevice::TVirtualSerialDevice(TBootLoaderDevice& device, TClock& clock, TPortNaming naming)
    : Device(device), Clock(clock), FNaming(naming), LastTick(clock.TickMs()) {}

uint64_t TVirtualSerialDevice::NowUs() {
  // The tick may wrap; the device's time runs on in 64 bits.
  const uint32_t tick = Clock.TickMs();
  ElapsedUs += static_cast<uint64_t>(static_cast<uint32_t>(tick - LastTick)) * 1000u;
  LastTick = tick;
  return ElapsedUs;
}

bool TVirtualSerialDevice::Open(const std::string& devicePath) {
  ++SystemCalls;
  if (FOpen || Paths.count(devicePath) == 0) return false;
  FOpen = true;
  ++Opens;
  OpenedPath = devicePath;
  Input.clear();
  return true;
}

bool TVirtualSerialDevice::Close() {
  ++SystemCalls;
  if (CloseFails) return false;
  FOpen = false;
  return true;
}

bool TVirtualSerialDevice::GetState(TLineSettings& state) {
  ++SystemCalls;
  state = Line;
  return true;
}

bool TVirtualSerialDevice::SetState(const TLineSettings& state) {
  ++SystemCalls;
  if (RefusedBauds.count(state.BaudRate)) return false;
  Line = state;
  return true;
}

bool TVirtualSerialDevice::SetupQueues(uint32_t inQueueSize, uint32_t outQueueSize) {
  ++SystemCalls;
  InQueueSize = inQueueSize;
  OutQueueSize = outQueueSize;
  return true;
}

bool TVirtualSerialDevice::SetTimeouts(const TCommTimeouts& timeouts) {
  ++SystemCalls;
  Timeouts = timeouts;
  return true;
}

bool TVirtualSerialDevice::QueryStatus(uint32_t& inQueue) {
  ++SystemCalls;
  if (!FOpen) return false;
  const std::vector<uint8_t> due = Device.TakeDue(NowUs());
  Input.insert(Input.end(), due.begin(), due.end());
  inQueue = static_cast<uint32_t>(Input.size());
  return true;
}

bool TVirtualSerialDevice::ReadFile(void* buffer, uint32_t count, uint32_t& read) {
  ++SystemCalls;
  auto* bytes = static_cast<uint8_t*>(buffer);
  read = 0;
  while (read < count && !Input.empty()) {
    bytes[read++] = Input.front();
    Input.pop_front();
  }
  return true;
}

bool TVirtualSerialDevice::WriteFile(const void* buffer, uint32_t count, uint32_t& written) {
  ++SystemCalls;
  written = count < WriteLimit ? count : WriteLimit;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  Written.insert(Written.end(), bytes, bytes + written);
  Device.Receive(bytes, written, NowUs(), Line.BaudRate);
  return true;
}

void TVirtualSerialDevice::Inject(const std::vector<uint8_t>& bytes) { Input.insert(Input.end(), bytes.begin(), bytes.end()); }

}  // namespace kelvo::sim
