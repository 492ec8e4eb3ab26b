#pragma once
// A transfer host with the platform's serial port that keeps the log lines
// and ignores progress and messages, for end-to-end transfers.
#include <string>
#include <vector>

#include "protocol/PageTransfer.h"
#include "serial/COMSocket.h"

namespace kelvo::test {

class TLineTransferHost : public TTransferHost {
 public:
  TCOMSocket& Port() override { return Socket; }
  void Log(const std::string& line) override { Lines.push_back(line); }
  void SetProgressMax(int32_t) override {}
  void SetProgressPosition(int32_t) override {}
  void ProcessMessages() override {}
  TCOMSocket Socket;
  std::vector<std::string> Lines;
};

}  // namespace kelvo::test
