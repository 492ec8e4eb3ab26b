#include "serial/posix/PosixSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "serial/posix/CustomBaud.h"

namespace kelvo {

namespace {

struct TSpeed {
  uint32_t Baud;
  speed_t Constant;
};

const TSpeed Speeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
};

uint64_t MonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

// A pseudo-terminal has no modem-control lines; that is no fault of the line.
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

}  // namespace

speed_t SpeedConstant(uint32_t baud) {
  for (const TSpeed& s : Speeds)
    if (s.Baud == baud) return s.Constant;
  return B0;
}

uint32_t SpeedValue(speed_t speed) {
  for (const TSpeed& s : Speeds)
    if (s.Constant == speed) return s.Baud;
  return 0;
}

TPosixSerialDevice::~TPosixSerialDevice() {
  if (Fd >= 0) Close();
}

bool TPosixSerialDevice::Open(const std::string& devicePath) {
  if (Fd >= 0) return false;
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // Exclusive use, the way Windows opens a COM port unshared. The lock keeps
  // out even root, whom TIOCEXCL lets through; it is taken first so that a
  // refused open never touches the other holder's TIOCEXCL.
  if (!isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    return false;
  }
  // A pseudo-terminal keeps what arrived before we opened it; a freshly
  // opened port starts with empty queues.
  tcflush(fd, TCIOFLUSH);
  Fd = fd;
  return true;
}

bool TPosixSerialDevice::Close() {
  if (Fd < 0) return true;
  // Another holder (the simulator, say) keeps the terminal alive between our
  // connections, and with it the exclusive flag: give it up before closing.
  ioctl(Fd, TIOCNXCL);
  // Linux releases the descriptor even when close reports an error.
  ::close(Fd);
  Fd = -1;
  return true;
}

bool TPosixSerialDevice::GetState(TLineSettings& state) {
  if (Fd < 0 || tcgetattr(Fd, &Settings) != 0) return false;
  uint32_t baud = ReadCustomBaudRate(Fd);
  if (baud == 0) baud = SpeedValue(cfgetospeed(&Settings));
  state.BaudRate = baud;
  switch (Settings.c_cflag & CSIZE) {
    case CS5: state.ByteSize = 5; break;
    case CS6: state.ByteSize = 6; break;
    case CS7: state.ByteSize = 7; break;
    default: state.ByteSize = 8; break;
  }
  state.Parity = (Settings.c_cflag & PARENB) ? ((Settings.c_cflag & PARODD) ? 1 : 2) : 0;
  state.StopBits = (Settings.c_cflag & CSTOPB) ? 2 : 0;
  state.fBinary = true;
  state.fOutxCtsFlow = (Settings.c_cflag & CRTSCTS) != 0;
  state.fOutX = (Settings.c_iflag & IXON) != 0;
  state.fInX = (Settings.c_iflag & IXOFF) != 0;
  int lines = 0;
  if (ioctl(Fd, TIOCMGET, &lines) == 0) {
    state.fDtrControl = (lines & TIOCM_DTR) ? 1 : 0;
    if (!state.fOutxCtsFlow) state.fRtsControl = (lines & TIOCM_RTS) ? 1 : 0;
  }
  return true;
}

bool TPosixSerialDevice::SetState(const TLineSettings& state) {
  if (Fd < 0) return false;
  termios tio = Settings;
  // Fully raw: a fresh device starts with a terminal's defaults (echo,
  // canonical input, CR/LF translation), and each of them would alter bytes.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK | IMAXBEL
#ifdef IUCLC
                                        | IUCLC
#endif
  );
  if (state.fOutX) tio.c_iflag |= IXON;
  if (state.fInX) tio.c_iflag |= IXOFF;
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
  switch (state.ByteSize) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: return false;
  }
  if (state.Parity == 1) tio.c_cflag |= PARENB | PARODD;
  else if (state.Parity == 2) tio.c_cflag |= PARENB;
  else if (state.Parity != 0) return false;
  if (state.StopBits == 2) tio.c_cflag |= CSTOPB;
  else if (state.StopBits != 0) return false;
  if (state.fOutxCtsFlow || state.fRtsControl == 2) tio.c_cflag |= CRTSCTS;
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;

  const speed_t speed = SpeedConstant(state.BaudRate);
  const bool custom = speed == B0;
  if (state.BaudRate == 0) return false;
  cfsetispeed(&tio, custom ? B38400 : speed);
  cfsetospeed(&tio, custom ? B38400 : speed);
  if (tcsetattr(Fd, TCSANOW, &tio) != 0) return false;
  if (custom && !SetCustomBaudRate(Fd, state.BaudRate)) return false;

  int dtr = TIOCM_DTR, rts = TIOCM_RTS;
  if (ioctl(Fd, state.fDtrControl == 1 ? TIOCMBIS : TIOCMBIC, &dtr) != 0 && !NoModemLines(errno)) return false;
  if (!(tio.c_cflag & CRTSCTS) &&
      ioctl(Fd, state.fRtsControl == 1 ? TIOCMBIS : TIOCMBIC, &rts) != 0 && !NoModemLines(errno))
    return false;
  Settings = tio;
  return true;
}

bool TPosixSerialDevice::SetupQueues(uint32_t, uint32_t) { return Fd >= 0; }

bool TPosixSerialDevice::SetTimeouts(const TCommTimeouts& timeouts) {
  if (Fd < 0) return false;
  Timeouts = timeouts;
  return true;
}

bool TPosixSerialDevice::QueryStatus(uint32_t& inQueue) {
  int waiting = 0;
  if (ioctl(Fd, FIONREAD, &waiting) != 0 || waiting < 0) return false;
  inQueue = static_cast<uint32_t>(waiting);
  return true;
}

bool TPosixSerialDevice::ReadFile(void* buffer, uint32_t count, uint32_t& read) {
  read = 0;
  for (;;) {
    const ssize_t got = ::read(Fd, buffer, count);
    if (got >= 0) {
      read = static_cast<uint32_t>(got);
      return true;
    }
    if (errno == EINTR) continue;
    return errno == EAGAIN;  // nothing there after all: a read of 0
  }
}

bool TPosixSerialDevice::WriteFile(const void* buffer, uint32_t count, uint32_t& written) {
  written = 0;
  const uint64_t bound = static_cast<uint64_t>(Timeouts.WriteTotalTimeoutMultiplier) * count +
                         Timeouts.WriteTotalTimeoutConstant;
  const bool bounded = Timeouts.WriteTotalTimeoutMultiplier != 0 || Timeouts.WriteTotalTimeoutConstant != 0;
  const uint64_t deadline = MonotonicMs() + bound;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (written < count) {
    const ssize_t n = ::write(Fd, bytes + written, count - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;  // a line that hung up: report what went out
    int waitMs = -1;
    if (bounded) {
      const uint64_t now = MonotonicMs();
      if (now >= deadline) break;
      waitMs = static_cast<int>(deadline - now);
    }
    pollfd p{Fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, waitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) break;
  }
  // Like WriteFile on a line that timed out: success, with the count that went out.
  return true;
}

void TPosixSerialDevice::WaitForInput(TClock& clock, uint32_t ms) {
  if (ms == 0) return;
  uint32_t waiting = 0;
  if (!QueryStatus(waiting)) {
    clock.SleepMs(ms);
    return;
  }
  if (waiting > 0) {
    // Part of what is awaited is there already: poll() would report it at
    // once every time, so look again after a short sleep instead.
    clock.SleepMs(ms < 1 ? ms : 1);
    return;
  }
  pollfd p{Fd, POLLIN, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(ms));
  // A line that hung up reports POLLHUP at once, forever: sleep instead of spinning.
  if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) clock.SleepMs(ms);
}

std::unique_ptr<TSerialDevice> CreateSystemSerialDevice() { return std::make_unique<TPosixSerialDevice>(); }

}  // namespace kelvo
