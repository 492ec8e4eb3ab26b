#pragma once
// The millisecond clock behind every wait: a 32-bit tick counter that wraps,
// and a sleep. Tests run time-outs in virtual time through this interface.
#include <cstdint>

namespace kelvo {

class TClock {
 public:
  virtual ~TClock() = default;
  virtual uint32_t TickMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

// The system's clock (GetTickCount and Sleep on Windows, the monotonic clock
// and nanosleep elsewhere).
TClock& SystemClock();

// Time that passes only when somebody sleeps.
class TVirtualClock : public TClock {
 public:
  explicit TVirtualClock(uint32_t start = 0) : Now(start) {}
  uint32_t TickMs() override { return Now; }
  void SleepMs(uint32_t ms) override { Now += ms; }

 private:
  uint32_t Now;
};

}  // namespace kelvo
