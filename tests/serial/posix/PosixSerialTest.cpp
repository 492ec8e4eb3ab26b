// TCOMSocket with the POSIX backend, on real pseudo-terminals.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "serial/COMSocket.h"
#include "serial/posix/PosixSerialDevice.h"

namespace kelvo {
namespace {

// A pseudo-terminal whose master end the test holds, like a device would.
class TPty {
 public:
  TPty() {
    char name[256] = {};
    EXPECT_EQ(openpty(&Master, &Slave, name, nullptr, nullptr), 0);
    Path = name;
  }
  ~TPty() {
    CloseSlave();
    CloseMaster();
  }
  void CloseSlave() {
    if (Slave >= 0) close(Slave);
    Slave = -1;
  }
  void CloseMaster() {
    if (Master >= 0) close(Master);
    Master = -1;
  }
  // Everything the host sends, until count bytes came or a second passed.
  std::vector<uint8_t> ReadMaster(size_t count) {
    std::vector<uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{Master, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      uint8_t buffer[512];
      const ssize_t n = read(Master, buffer, sizeof buffer);
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }
  int Master = -1;
  int Slave = -1;  // held like the simulator does, so the line stays up
  std::string Path;
};

std::vector<uint8_t> AllByteValues() {
  std::vector<uint8_t> bytes(256);
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

TEST(PosixSerial, ConnectMakesADefaultTerminalLineFullyRawBothWays) {
  TPty pty;
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Slave, &before), 0);
  ASSERT_TRUE(before.c_lflag & ECHO) << "a fresh terminal echoes";
  ASSERT_TRUE(before.c_lflag & ICANON);
  TCOMSocket port;
  ASSERT_TRUE(port.Connect(pty.Path, 115200));
  termios after{};
  ASSERT_EQ(tcgetattr(pty.Slave, &after), 0);
  EXPECT_FALSE(after.c_lflag & (ECHO | ICANON | ISIG | IEXTEN));
  EXPECT_FALSE(after.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP));
  EXPECT_FALSE(after.c_oflag & OPOST);
  EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(after.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_TRUE(after.c_cflag & CLOCAL);
  EXPECT_TRUE(after.c_cflag & CREAD);

  const std::vector<uint8_t> bytes = AllByteValues();
  EXPECT_EQ(port.Write(bytes.data(), 256), 256u);
  EXPECT_EQ(pty.ReadMaster(256), bytes);
  ASSERT_EQ(write(pty.Master, bytes.data(), 256), 256);
  ASSERT_TRUE(port.WaitForData(256, 1000));
  std::vector<uint8_t> back(300, 0xEE);
  EXPECT_EQ(port.Read(back.data(), 300), 256u);
  back.resize(256);
  EXPECT_EQ(back, bytes);
}

TEST(PosixSerial, EverySpeedOfTheSpeedBoxIsSetAndReadBack) {
  TPty pty;
  TCOMSocket port;
  for (uint32_t baud : {2400u, 4800u, 9600u, 19200u, 28800u, 38400u, 57600u, 115200u, 230400u, 250000u, 500000u, 1000000u}) {
    ASSERT_TRUE(port.Connect(pty.Path, baud)) << baud;
    EXPECT_EQ(port.CurrentBaudRate(), baud);
    EXPECT_TRUE(port.Close());
  }
}

TEST(PosixSerial, ReadTakesWhatIsWaitingAndTheWaitReadsNothing) {
  TPty pty;
  TCOMSocket port;
  ASSERT_TRUE(port.Connect(pty.Path, 9600));
  uint8_t buffer[16];
  EXPECT_EQ(port.Read(buffer, 7), 0u) << "nothing waiting: at once, nothing";
  EXPECT_FALSE(port.WaitForData(7, 30));
  const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ASSERT_EQ(write(pty.Master, ten, 10), 10);
  ASSERT_TRUE(port.WaitForData(10, 1000));
  EXPECT_EQ(port.BytesInQueue(), 10u);
  EXPECT_EQ(port.Read(buffer, 7), 7u);
  EXPECT_EQ(port.BytesInQueue(), 3u);
}

TEST(PosixSerial, WhatWasWaitingBeforeOpenIsDropped) {
  TPty pty;
  const uint8_t stale[4] = {9, 9, 9, 9};
  ASSERT_EQ(write(pty.Master, stale, 4), 4);
  TCOMSocket port;
  ASSERT_TRUE(port.Connect(pty.Path, 9600));
  EXPECT_EQ(port.BytesInQueue(), 0u);
}

TEST(PosixSerial, SecondOpenIsRefusedUntilTheFirstCloses) {
  TPty pty;
  TCOMSocket first, second;
  ASSERT_TRUE(first.Connect(pty.Path, 9600));
  EXPECT_FALSE(second.Connect(pty.Path, 9600));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(first.Close());
  EXPECT_TRUE(second.Connect(pty.Path, 9600)) << "exclusive use is given up on close";
}

TEST(PosixSerial, PortTextMustBeAnAbsolutePath) {
  TPty pty;
  TCOMSocket port;
  for (const char* text : {"", "ttyUSB0", "COM3", "/"}) EXPECT_FALSE(port.SetPort(text)) << text;
  EXPECT_FALSE(port.Connect("/dev/no-such-serial-port", 9600));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Connect("/etc/hostname", 9600)) << "a file is no serial line";
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(port.Connect(pty.Path, 9600));
  EXPECT_FALSE(port.SetPort("/dev/ttyS0")) << "refused while open";
  EXPECT_EQ(port.DevicePath(), pty.Path);
}

TEST(PosixSerial, HungUpLineMakesWritesShortAndReadsEmptyWithoutBlocking) {
  TPty pty;
  TCOMSocket port;
  ASSERT_TRUE(port.Connect(pty.Path, 115200));
  pty.CloseSlave();
  pty.CloseMaster();
  const std::vector<uint8_t> page(264, 0x42);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_LT(port.Write(page.data(), 264), 264u);
  uint8_t buffer[7];
  EXPECT_EQ(port.Read(buffer, 7), 0u);
  EXPECT_FALSE(port.WaitForData(7, 200));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << "bounded by the write time-out";
  EXPECT_TRUE(port.Close());
}

TEST(PosixSerial, WriteIntoAFullLineGivesUpWithinItsBound) {
  TPty pty;
  TCOMSocket port;
  ASSERT_TRUE(port.Connect(pty.Path, 115200));
  // Nobody reads the master: fill the line's queue through the other slave descriptor.
  fcntl(pty.Slave, F_SETFL, fcntl(pty.Slave, F_GETFL) | O_NONBLOCK);
  // The terminal moves data between its two buffers in the background: fill
  // until the line stays full.
  const std::vector<uint8_t> chunk(4096, 0x55);
  for (bool wrote = true; wrote;) {
    wrote = false;
    while (write(pty.Slave, chunk.data(), chunk.size()) > 0) wrote = true;
    usleep(100000);
    if (write(pty.Slave, chunk.data(), 1) > 0) wrote = true;
  }
  const uint8_t frame[7] = {0xFF, 0x45, 0, 0, 0, 0, 0x45};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_LT(port.Write(frame, 7), 7u);
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_GE(spent, std::chrono::milliseconds(160)) << "10 ms a byte plus 100 ms";
  EXPECT_LT(spent, std::chrono::seconds(2));
}

}  // namespace
}  // namespace kelvo
