#include <ctime>

#include "base/Clock.h"

namespace kelvo {

namespace {
class TPosixClock : public TClock {
 public:
  uint32_t TickMs() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
  }
  void SleepMs(uint32_t ms) override {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&left, &left) != 0) {
    }
  }
};
}  // namespace

TClock& SystemClock() {
  static TPosixClock clock;
  return clock;
}

}  // namespace kelvo
