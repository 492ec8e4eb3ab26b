#include <windows.h>

#include "base/Clock.h"

namespace kelvo {

namespace {
class TWin32Clock : public TClock {
 public:
  uint32_t TickMs() override { return GetTickCount(); }
  void SleepMs(uint32_t ms) override { Sleep(ms); }
};
}  // namespace

TClock& SystemClock() {
  static TWin32Clock clock;
  return clock;
}

}  // namespace kelvo
