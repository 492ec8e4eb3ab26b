// The Windows build's end-to-end transfer: SendPages through the Win32
// serial calls into a COM port that the test driver (wine-sim-test) has
// mapped to the simulator's pseudo-terminal. The driver compares the
// device's memories with the buffers this program saves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/BlcFrame.h"
#include "protocol/PageTransfer.h"
#include "serial/COMSocket.h"
#include "support/TransferHost.h"

namespace kelvo {
namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed * 31 + i * 13 + i / 256);
  return b;
}

TEST(WineTransfer, ThreeMemoriesThroughTheWin32SerialCalls) {
  const char* port = std::getenv("KELVO_TEST_PORT");
  const char* out = std::getenv("KELVO_TEST_OUT");
  if (!port || !out) GTEST_SKIP() << "run by wine-sim-test, which provides the COM port";
  test::TLineTransferHost host;
  ASSERT_TRUE(host.Socket.Connect(port, 115200));
  EXPECT_EQ(host.Socket.CurrentBaudRate(), 115200u);
  TByteBuffer flash(Pattern(264 * 4 + 10, 1)), eeprom(Pattern(32 * 5, 2)), rbf(Pattern(264 * 2, 3));
  EXPECT_TRUE(SendPages(host, tmFlash, 264, 0, flash));
  EXPECT_TRUE(SendPages(host, tmEeprom, 32, 0, eeprom));
  EXPECT_TRUE(SendPages(host, tmFlashRbf, 264, 0, rbf));
  flash.SaveToFile(std::string(out) + "\\flash.bin");
  eeprom.SaveToFile(std::string(out) + "\\eeprom.bin");
  rbf.SaveToFile(std::string(out) + "\\flash_rbf.bin");
  // The restart tells the simulator to write its memories and end.
  TBlcFrame restart{};
  restart.InitFrame();
  restart.SetCommand(blcRestart);
  restart.SetCheckSum();
  EXPECT_EQ(host.Socket.Write(restart.Bytes, BlcFrameSize), BlcFrameSize);
  EXPECT_TRUE(host.Socket.Close());
  for (const std::string& line : host.Lines) std::printf("%s\n", line.c_str());
}

}  // namespace
}  // namespace kelvo
