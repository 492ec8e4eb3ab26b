#include "sim/posix/PtySimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "serial/posix/CustomBaud.h"
#include "serial/posix/PosixSerialDevice.h"

namespace kelvo::sim {

namespace {
// How long before a reply is due the wait stops sleeping and watches the clock.
constexpr uint64_t PunctualUs = 250;

uint64_t NowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}
}  // namespace

TPtySimulator::TPtySimulator(TBootLoaderDevice& device) : Device(device) {
  char name[256] = {};
  if (openpty(&Master, &Slave, name, nullptr, nullptr) != 0) throw std::runtime_error("cannot open a pseudo-terminal");
  SlavePath = name;
  fcntl(Master, F_SETFD, FD_CLOEXEC);
  fcntl(Slave, F_SETFD, FD_CLOEXEC);
  fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
}

TPtySimulator::~TPtySimulator() {
  Stop();
  HangUp();
}

void TPtySimulator::HangUp() {
  if (Slave >= 0) close(Slave);
  if (Master >= 0) close(Master);
  Slave = Master = -1;
}

uint32_t TPtySimulator::LineSpeed() const {
  // Master and slave share one set of terminal settings.
  const uint32_t custom = ReadCustomBaudRate(Master);
  if (custom != 0) return custom;
  termios tio{};
  if (tcgetattr(Master, &tio) != 0) return 0;
  return SpeedValue(cfgetospeed(&tio));
}

void TPtySimulator::Run(const std::function<bool()>& keepGoing) {
  uint8_t buffer[4096];
  // This thread's timed waits end when asked, not up to 50 us later (the
  // default slack).
  prctl(PR_SET_TIMERSLACK, 1UL);
  while (Master >= 0 && keepGoing()) {
    const uint64_t now = NowUs();
    // A reply leaves when it is due, to the microsecond: at 1,000,000 baud a
    // page takes 2.7 ms, and a wake-up a tenth of a millisecond late is
    // already 4 % of the line's speed. The timer wakes a sleeper late by its
    // slack and by the time an idle processor takes to start again, so the
    // wait sleeps until shortly before the reply is due and watches the
    // clock (and the line) for the rest.
    uint64_t waitUs = 50000;
    if (Device.HasPending()) {
      const uint64_t due = Device.NextDueUs();
      waitUs = due <= now + PunctualUs ? 0 : due - now - PunctualUs;
      if (waitUs > 50000) waitUs = 50000;
    }
    const timespec timeout{0, static_cast<long>(waitUs * 1000)};
    pollfd p{Master, POLLIN, 0};
    const int ready = ppoll(&p, 1, &timeout, nullptr);
    if (ready > 0 && (p.revents & POLLIN)) {
      for (;;) {
        const ssize_t got = read(Master, buffer, sizeof buffer);
        if (got <= 0) break;
        Device.Receive(buffer, static_cast<size_t>(got), NowUs(), LineSpeed());
      }
    }
    // A due reply is written whole; only the last page of a large memory
    // could fill the terminal's queue, and then the rest waits a turn.
    std::vector<uint8_t> out = Device.TakeDue(NowUs());
    size_t sent = 0;
    while (sent < out.size()) {
      const ssize_t n = write(Master, out.data() + sent, out.size() - sent);
      if (n > 0) {
        sent += static_cast<size_t>(n);
      } else if (n < 0 && errno == EAGAIN) {
        pollfd w{Master, POLLOUT, 0};
        poll(&w, 1, 10);
      } else {
        break;
      }
    }
    if (Device.HungUp()) {
      HangUp();
      return;
    }
  }
}

void TPtySimulator::Start(bool exitOnRestart) {
  StopFlag = false;
  Worker = std::thread([this, exitOnRestart] {
    Run([this, exitOnRestart] { return !StopFlag && !(exitOnRestart && Device.Restarted()); });
  });
}

void TPtySimulator::Stop() {
  StopFlag = true;
  if (Worker.joinable()) Worker.join();
}

}  // namespace kelvo::sim
