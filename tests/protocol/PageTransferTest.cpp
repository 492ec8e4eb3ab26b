#include "protocol/PageTransfer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "protocol/BlcFrame.h"
#include "support/VirtualRig.h"

namespace kelvo {
namespace {

using TLines = std::vector<std::string>;
using TBytes = std::vector<uint8_t>;
using sim::TFault;

const std::string Proba = "pr" KELVO_O_ACUTE "ba";

// The engine's host: the virtual line, and a log of everything it is told.
class TRig : public TTransferHost {
 public:
  explicit TRig(sim::TDeviceOptions options = {}, uint32_t baud = 115200) : Line(std::move(options)) {
    EXPECT_TRUE(Line.Socket.Connect("COM3", baud));
  }
  TCOMSocket& Port() override { return Line.Socket; }
  void Log(const std::string& line) override { Lines.push_back(line); }
  void SetProgressMax(int32_t max) override { Events.push_back("max " + std::to_string(max)); }
  void SetProgressPosition(int32_t position) override { Events.push_back("pos " + std::to_string(position)); }
  void ProcessMessages() override { Events.push_back("pump"); }

  bool Send(TTargetMemory target, uint32_t pageSize, int32_t firstPage, TByteBuffer& buffer) {
    return SendPages(*this, target, pageSize, firstPage, buffer);
  }
  size_t WrittenBytes() const { return Line.Serial->Written.size(); }

  test::TVirtualLine Line;
  TLines Lines;
  std::vector<std::string> Events;
};

sim::TDeviceOptions Pages(uint32_t pageSize, uint32_t pageCount, std::vector<TFault> faults = {}) {
  sim::TDeviceOptions o;
  for (auto& m : o.Memories) m = {pageSize, pageCount};
  o.Faults = std::move(faults);
  return o;
}

TBytes Pattern(size_t n, uint8_t seed = 1) {
  TBytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

TLines Intro(int size, int pages) {
  return {Format("   The size of the data to be transmitted.: %i.", size), Format("   Number of pages to send: %i.", pages)};
}

TLines Join(TLines a, const TLines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string ChecksumLine(int attempt) { return Format("      Page checksum error. - %s %i/300.", Proba.c_str(), attempt); }

TEST(SendPages, EmptyBufferSendsNothingWhateverTheTarget) {
  for (int target : {0, 1, 2, 7}) {
    TRig rig;
    TByteBuffer empty;
    EXPECT_TRUE(rig.Send(static_cast<TTargetMemory>(target), 256, 0, empty));
    EXPECT_EQ(rig.Lines, Intro(0, 0));
    EXPECT_EQ(rig.Events, (std::vector<std::string>{"max 0"}));
    EXPECT_EQ(rig.WrittenBytes(), 0u);
  }
  TRig rig;
  TByteBuffer empty;
  EXPECT_TRUE(rig.Send(tmFlash, 0, 0, empty));  // no page size needed for no pages
  EXPECT_EQ(rig.Lines, Intro(0, 0));
}

TEST(SendPages, LastPageIsFilledWithZerosAndEveryMemoryGetsItsCommand) {
  const TBytes data = Pattern(1000);
  struct TCase {
    TTargetMemory Target;
    sim::TMemory Memory;
    uint8_t Command;
  };
  for (const TCase c : {TCase{tmFlash, sim::mFlash, 0x40}, TCase{tmEeprom, sim::mEeprom, 0x80},
                        TCase{tmFlashRbf, sim::mFlashRbf, 0x90}}) {
    TRig rig(Pages(256, 16));
    TByteBuffer buffer(data);
    EXPECT_TRUE(rig.Send(c.Target, 256, 0, buffer));
    EXPECT_EQ(rig.Lines, Intro(1000, 4));
    TBytes padded = data;
    padded.resize(1024, 0);
    EXPECT_EQ(buffer.Contents(), padded) << "the caller sees the lengthened buffer";
    EXPECT_EQ(rig.Line.Device.WrittenMemory(c.Memory), padded);
    const auto& records = rig.Line.Device.Records();
    ASSERT_EQ(records.size(), 4u);
    // The fourth page's data sum covers its 232 bytes and the 24 zero bytes.
    const uint16_t sum = PageDataSum(padded.data() + 768, 256);
    EXPECT_EQ(records[3].Frame[1], c.Command);
    EXPECT_EQ(records[3].Frame[4], sum >> 8);
    EXPECT_EQ(records[3].Frame[5], sum & 0xFF);
  }
}

TEST(SendPages, WholePagesAreNotLengthened) {
  TRig rig(Pages(256, 16));
  TByteBuffer buffer(Pattern(512));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(buffer.Size(), 512u);
  EXPECT_EQ(rig.Lines, Intro(512, 2));
  EXPECT_EQ(rig.WrittenBytes(), 2u * (7 + 256));
}

TEST(SendPages, ProgressFollowsThePagesAndMessagesRunBeforeEach) {
  TRig rig(Pages(64, 16));
  TByteBuffer buffer(Pattern(3 * 64));
  EXPECT_TRUE(rig.Send(tmFlash, 64, 5, buffer));
  EXPECT_EQ(rig.Events, (std::vector<std::string>{"max 3", "pump", "pos 0", "pump", "pos 1", "pump", "pos 2"}));
}

TEST(SendPages, ThreeHundredChecksumErrorsGiveUp) {
  TRig rig(Pages(256, 16, {TFault{sim::fkNack, false, 1, 0, 300}}));
  TByteBuffer buffer(Pattern(256));
  EXPECT_FALSE(rig.Send(tmFlash, 256, 0, buffer));
  TLines expected = Intro(256, 1);
  for (int i = 1; i <= 300; ++i) expected.push_back(ChecksumLine(i));
  EXPECT_EQ(rig.Lines, expected);
  EXPECT_EQ(rig.WrittenBytes(), 300u * (7 + 256));
}

TEST(SendPages, PageNumberErrorEndsAtOnce) {
  TRig rig(Pages(256, 16, {TFault{sim::fkPageNumber, false, 1}}));
  TByteBuffer buffer(Pattern(1024));
  EXPECT_FALSE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(1024, 4), {"      Page number error."}));
  EXPECT_EQ(rig.WrittenBytes(), 7u + 256u);
}

TEST(SendPages, AttemptsStartAgainForEveryPage) {
  TRig rig(Pages(256, 16, {TFault{sim::fkNack, false, 1, 0, 5}, TFault{sim::fkNack, false, 2, 0, 1}}));
  TByteBuffer buffer(Pattern(512));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(512, 2), {ChecksumLine(1), ChecksumLine(2), ChecksumLine(3), ChecksumLine(4),
                                            ChecksumLine(5), ChecksumLine(1)}));
  EXPECT_EQ(rig.Line.Device.WrittenMemory(sim::mFlash), Pattern(512));
}

TEST(SendPages, UnknownReplyCodeIsCountedAndRetried) {
  TRig rig(Pages(256, 16, {TFault{sim::fkCode, false, 1, 0, 1, 0, 0x45}}));
  TByteBuffer buffer(Pattern(256));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(256, 1), {Format("      Unknown error (Cmd: 69) - %s 1/300.", Proba.c_str())}));
}

TEST(SendPages, BadStartByteFailsTheChecksumAndIsRepairedBeforeTheRepetition) {
  TRig rig(Pages(256, 16, {TFault{sim::fkBadStart, false, 1}}));
  TByteBuffer buffer(Pattern(256));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(256, 1), {"   Sending page: 1/1...", "      Confirmation error - attempt 1/300.",
                                            "  pIsCorrectCheckSum error   ", "   Header error.. "}));
  EXPECT_EQ(rig.Line.Serial->Written[7 + 256], 0xFF) << "the repeated frame starts with 0xFF";
}

TEST(SendPages, NoReplyWaitsTheWholeTimeOutAndNamesEveryFailedCheck) {
  TRig rig(Pages(256, 16, {TFault{sim::fkDrop, false, 2}}));
  TByteBuffer buffer(Pattern(512));
  buffer.Data()[300] = 0;
  // Page 2's number and data sum must not add up to a multiple of 256, or the
  // cleared frame would still pass the checksum.
  const uint16_t sum = PageDataSum(buffer.Data() + 256, 256);
  ASSERT_NE((1 + (sum >> 8) + (sum & 0xFF)) % 256, 0);
  const uint32_t start = rig.Line.Clock.TickMs();
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(512, 2), {"   Sending page: 2/2...", "      Confirmation error - attempt 1/300.",
                                            "  SocketWaitForData error   ", "  SocketRead error   ",
                                            "  pIsCorrectCheckSum error   "}));
  EXPECT_GE(rig.Line.Clock.TickMs() - start, 3022u);
}

TEST(SendPages, NoReplyToAnAllZeroFirstPageLeavesAFrameThatPassesTheChecksum) {
  TRig rig(Pages(256, 16, {TFault{sim::fkDrop, false, 1}}));
  TByteBuffer buffer(TBytes(256, 0));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(256, 1), {"   Sending page: 1/1...", "      Confirmation error - attempt 1/300.",
                                            "  SocketWaitForData error   ", "  SocketRead error   "}));
}

TEST(SendPages, LateAcknowledgementAnswersTheRepetition) {
  TRig rig(Pages(256, 16, {TFault{sim::fkLate, false, 1, 0, 1, 3100}}));
  TByteBuffer buffer(Pattern(768));
  EXPECT_TRUE(rig.Send(tmFlash, 256, 0, buffer));
  EXPECT_EQ(rig.Lines, Join(Intro(768, 3), {"   Sending page: 1/3...", "      Confirmation error - attempt 1/300.",
                                            "  SocketWaitForData error   ", "  SocketRead error   ",
                                            "  pIsCorrectCheckSum error   "}));
  // Page 1 went twice; the answer to the repetition was taken for page 2, and
  // the answer to page 3 is still queued.
  EXPECT_EQ(rig.WrittenBytes(), 4u * (7 + 256));
  rig.Line.Clock.SleepMs(10);
  EXPECT_EQ(rig.Line.Socket.BytesInQueue(), 7u);
}

TEST(SendPages, PageNumbersWrapAt65536) {
  TRig rig(Pages(8, 65536));
  TByteBuffer buffer(Pattern(16));
  EXPECT_TRUE(rig.Send(tmFlash, 8, 65535, buffer));
  const auto& records = rig.Line.Device.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Frame[2], 0xFF);
  EXPECT_EQ(records[0].Frame[3], 0xFF);
  EXPECT_EQ(records[1].Frame[2], 0x00);
  EXPECT_EQ(records[1].Frame[3], 0x00);
}

TEST(SendPages, ShortWritesAndBadArgumentsEndWithoutSending) {
  {
    TRig rig(Pages(256, 16));
    rig.Line.Serial->WriteLimit = 100;
    TByteBuffer buffer(Pattern(256));
    EXPECT_FALSE(rig.Send(tmFlash, 256, 0, buffer));
    EXPECT_EQ(rig.Lines, Intro(256, 1));
  }
  {
    TRig rig;
    TByteBuffer buffer(Pattern(256));
    EXPECT_FALSE(rig.Send(static_cast<TTargetMemory>(3), 256, 0, buffer));
    EXPECT_EQ(rig.WrittenBytes(), 0u);
    EXPECT_EQ(rig.Lines, Intro(256, 1));
  }
  for (uint32_t pageSize : {0u, 65537u, 0xFFFFFFFFu}) {
    TRig rig;
    TByteBuffer buffer(Pattern(100));
    EXPECT_FALSE(rig.Send(tmFlash, pageSize, 0, buffer));
    EXPECT_EQ(rig.Lines, (TLines{Intro(100, 0)[0], Format("   Invalid page size: %u.", pageSize)}));
    EXPECT_EQ(buffer.Size(), 100u) << "nothing reserved for a hostile page size";
    EXPECT_EQ(rig.WrittenBytes(), 0u);
  }
}

TEST(TransmitTimeMs, ReplyTimeOutTable) {
  struct TRow {
    uint32_t PageSize;
    uint32_t Ms[6];
  };
  const uint32_t bauds[6] = {2400, 9600, 19200, 57600, 115200, 1000000};
  for (const TRow& row : {TRow{264, {4129, 3282, 3141, 3047, 3023, 3002}}, TRow{256, {4095, 3273, 3136, 3045, 3022, 3002}},
                          TRow{128, {3562, 3140, 3070, 3023, 3011, 3001}}})
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(TransmitTimeMs(row.PageSize + 7, bauds[i]) + BlcReplyTimeoutMs, row.Ms[i]) << row.PageSize << " @ " << bauds[i];
}

}  // namespace
}  // namespace kelvo
