#include "serial/COMSocket.h"

#include <gtest/gtest.h>

#include "support/VirtualRig.h"

namespace kelvo {
namespace {

using test::TVirtualLine;

TEST(COMSocket, NewObjectIsClosedWithNoPortAndNoSpeed) {
  TVirtualLine line;
  EXPECT_FALSE(line.Socket.IsOpen());
  EXPECT_EQ(line.Socket.PortNumber(), 0);
  EXPECT_EQ(line.Socket.CurrentBaudRate(), 0u);
  EXPECT_TRUE(line.Socket.Close());
}

TEST(COMSocket, PortTextsThatNameNoPortOpenNothing) {
  for (const char* text : {"com3", "COM", "COM0", "COMx", "COM3 ", "COM3a", " COM3", ""}) {
    TVirtualLine line;
    EXPECT_FALSE(line.Socket.SetPort(text)) << '"' << text << '"';
    EXPECT_FALSE(line.Socket.Connect(text, 9600)) << '"' << text << '"';
    EXPECT_EQ(line.Serial->Opens, 0u);
  }
  TVirtualLine line;
  ASSERT_TRUE(line.Socket.SetPort("COM 3"));
  EXPECT_EQ(line.Socket.PortNumber(), 3);
  EXPECT_FALSE(line.Socket.SetPort("com7"));
  EXPECT_EQ(line.Socket.PortNumber(), 3) << "a text without COM leaves the number";
  EXPECT_TRUE(line.Socket.SetPort("COM-1"));
  EXPECT_FALSE(line.Socket.Open());
  EXPECT_EQ(line.Socket.DevicePath(), "\\\\.\\COM-1");
}

TEST(COMSocket, ConnectSetsTheStandardLineAndReadsItBack) {
  TVirtualLine line;
  line.Serial->Line.fOutX = line.Serial->Line.fInX = true;
  line.Serial->Line.fDtrControl = line.Serial->Line.fRtsControl = 1;
  line.Serial->Line.Parity = 2;
  ASSERT_TRUE(line.Socket.Connect("COM3", 115200));
  EXPECT_EQ(line.Serial->OpenedPath, "\\\\.\\COM3");
  const TLineSettings& s = line.Serial->Line;
  EXPECT_EQ(s.BaudRate, 115200u);
  EXPECT_EQ(s.ByteSize, 8);
  EXPECT_EQ(s.Parity, 0);
  EXPECT_EQ(s.StopBits, 0);
  EXPECT_TRUE(s.fBinary);
  EXPECT_FALSE(s.fOutX || s.fInX || s.fOutxCtsFlow || s.fOutxDsrFlow || s.fDsrSensitivity || s.fNull ||
               s.fErrorChar || s.fAbortOnError);
  EXPECT_EQ(s.fDtrControl, 0);
  EXPECT_EQ(s.fRtsControl, 0);
  EXPECT_EQ(line.Serial->InQueueSize, 1024u);
  EXPECT_EQ(line.Serial->OutQueueSize, 1024u);
  const TCommTimeouts& t = line.Serial->Timeouts;
  EXPECT_EQ(t.ReadIntervalTimeout, 100u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 10u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 10u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u);
  EXPECT_EQ(line.Socket.CurrentBaudRate(), 115200u);
}

TEST(COMSocket, OpenPortRefusesAnotherPortOrConnect) {
  TVirtualLine line;
  ASSERT_TRUE(line.Socket.Connect("COM3", 9600));
  EXPECT_FALSE(line.Socket.SetPort("COM4"));
  EXPECT_FALSE(line.Socket.Connect("COM3", 115200));
  EXPECT_TRUE(line.Socket.IsOpen());
  EXPECT_EQ(line.Socket.PortNumber(), 3);
  EXPECT_EQ(line.Socket.CurrentBaudRate(), 9600u);
}

TEST(COMSocket, RefusedSpeedLeavesThePortOpenForTheCallerToClose) {
  TVirtualLine line;
  line.Serial->RefusedBauds = {250000};
  EXPECT_FALSE(line.Socket.Connect("COM3", 250000));
  EXPECT_TRUE(line.Socket.IsOpen());
  EXPECT_TRUE(line.Socket.Close());
  EXPECT_TRUE(line.Socket.Connect("COM3", 115200));
}

TEST(COMSocket, FailedCloseKeepsThePortAndRefusesToReopen) {
  TVirtualLine line;
  ASSERT_TRUE(line.Socket.Connect("COM3", 9600));
  line.Serial->CloseFails = true;
  EXPECT_FALSE(line.Socket.Close());
  EXPECT_TRUE(line.Socket.IsOpen());
  EXPECT_FALSE(line.Socket.Open()) << "the stuck handle is not replaced";
  line.Serial->CloseFails = false;
  EXPECT_TRUE(line.Socket.Close());
}

TEST(COMSocket, ReadTakesOnlyWhatIsQueuedAndNoCallWhenThereIsNothingToDo) {
  TVirtualLine line;
  uint8_t buffer[16];
  EXPECT_EQ(line.Socket.Read(buffer, 7), 0u);
  EXPECT_EQ(line.Serial->SystemCalls, 0u) << "closed port: no system call";
  ASSERT_TRUE(line.Socket.Connect("COM3", 9600));
  const uint32_t calls = line.Serial->SystemCalls;
  EXPECT_EQ(line.Socket.Read(buffer, 0), 0u);
  EXPECT_EQ(line.Socket.Write(buffer, 0), 0u);
  EXPECT_EQ(line.Serial->SystemCalls, calls);
  line.Serial->Inject({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(line.Socket.Read(buffer, 7), 7u);
  EXPECT_EQ(line.Socket.BytesInQueue(), 3u);
  EXPECT_EQ(line.Socket.Read(buffer, 7), 3u);
  EXPECT_EQ(buffer[2], 10);
}

TEST(COMSocket, WaitForDataLooksOncePerIntervalAndNeverAfterTheTimeOut) {
  TVirtualLine line;
  ASSERT_TRUE(line.Socket.Connect("COM3", 9600));
  uint32_t calls = line.Serial->SystemCalls;
  EXPECT_FALSE(line.Socket.WaitForData(7, 0));
  EXPECT_EQ(line.Serial->SystemCalls, calls) << "a time-out of 0 does not look at the queue";
  uint32_t elapsed = 12345;
  EXPECT_TRUE(line.Socket.WaitForData(0, 100, &elapsed));
  EXPECT_EQ(elapsed, 0u);
  calls = line.Serial->SystemCalls;
  const uint32_t start = line.Clock.TickMs();
  elapsed = 777;
  EXPECT_FALSE(line.Socket.WaitForData(7, 3000, &elapsed, 10));
  EXPECT_EQ(line.Clock.TickMs() - start, 3000u);
  EXPECT_EQ(line.Serial->SystemCalls - calls, 300u) << "one look per 10 ms";
  EXPECT_EQ(elapsed, 777u) << "no elapsed time on a time-out";
  line.Serial->Inject({1, 2, 3, 4, 5, 6, 7});
  EXPECT_TRUE(line.Socket.WaitForData(7, 3000, &elapsed));
  EXPECT_EQ(line.Socket.BytesInQueue(), 7u) << "the wait reads nothing";
}

TEST(COMSocket, WaitAcrossTheTickWrapLastsItsWholeTimeOut) {
  TVirtualLine line({}, 0xFFFFFFFFu - 50);
  ASSERT_TRUE(line.Socket.Connect("COM3", 9600));
  const uint32_t start = line.Clock.TickMs();
  EXPECT_FALSE(line.Socket.WaitForData(7, 3000));
  EXPECT_EQ(static_cast<uint32_t>(line.Clock.TickMs() - start), 3000u);
}

}  // namespace
}  // namespace kelvo
