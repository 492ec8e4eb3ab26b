// SendPages through TCOMSocket and the platform's serial code into the
// simulated boot loader on a pseudo-terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/PageTransfer.h"
#include "serial/COMSocket.h"
#include "support/TransferHost.h"
#include "sim/posix/PtySimulator.h"

namespace kelvo {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Pattern(size_t n, uint8_t seed) {
  TBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed * 31 + i * 13 + i / 256);
  return b;
}

void SendAllThree(sim::TDeviceOptions options, bool expectRetries) {
  sim::TBootLoaderDevice device(options);
  sim::TPtySimulator pty(device);
  pty.Start();
  test::TLineTransferHost host;
  ASSERT_TRUE(host.Socket.Connect(pty.Path(), 115200));
  TByteBuffer flash(Pattern(264 * 5 + 100, 1)), eeprom(Pattern(32 * 7, 2)), rbf(Pattern(264 * 3, 3));
  EXPECT_TRUE(SendPages(host, tmFlash, 264, 0, flash));
  EXPECT_TRUE(SendPages(host, tmEeprom, 32, 0, eeprom));
  EXPECT_TRUE(SendPages(host, tmFlashRbf, 264, 0, rbf));
  EXPECT_TRUE(host.Socket.Close());
  pty.Stop();
  EXPECT_EQ(device.WrittenMemory(sim::mFlash), flash.Contents());
  EXPECT_EQ(device.WrittenMemory(sim::mEeprom), eeprom.Contents());
  EXPECT_EQ(device.WrittenMemory(sim::mFlashRbf), rbf.Contents());
  for (const sim::TRecord& r : device.Records()) EXPECT_EQ(r.Baud, 115200u);
  EXPECT_EQ(host.Lines.size() > 6, expectRetries);
}

TEST(TransferEndToEnd, ThreeMemoriesArriveByteForByte) { SendAllThree({}, false); }

TEST(TransferEndToEnd, ChecksumErrorsAndADroppedReplyStillEndWithIdenticalMemories) {
  sim::TDeviceOptions options;
  options.LineRate = true;
  options.Faults = {sim::TFault{sim::fkNack, false, 0, 3, 2}, sim::TFault{sim::fkDrop, false, 4, 0, 1},
                    sim::TFault{sim::fkStray, false, 9, 0, 1, 0, 0, 3}};
  SendAllThree(options, true);
}

}  // namespace
}  // namespace kelvo
