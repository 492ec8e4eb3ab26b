#pragma once
// Runs a TBootLoaderDevice on a pseudo-terminal: host programs open the slave
// path as their serial port.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "sim/BootLoaderDevice.h"

namespace kelvo::sim {

class TPtySimulator {
 public:
  // Opens the pseudo-terminal; throws std::runtime_error when it cannot.
  explicit TPtySimulator(TBootLoaderDevice& device);
  ~TPtySimulator();
  TPtySimulator(const TPtySimulator&) = delete;
  TPtySimulator& operator=(const TPtySimulator&) = delete;

  const std::string& Path() const { return SlavePath; }
  // Serves the line until keepGoing (asked at least every 50 ms, on the
  // serving thread) says no, or the device hangs up.
  void Run(const std::function<bool()>& keepGoing);
  // Run on a thread of its own, for tests; Stop joins it.
  void Start(bool exitOnRestart = false);
  void Stop();
  // The speed the host has set on the line.
  uint32_t LineSpeed() const;

 private:
  void HangUp();
  TBootLoaderDevice& Device;
  int Master = -1;
  int Slave = -1;  // held so the line stays up while hosts open and close it
  std::string SlavePath;
  std::atomic<bool> StopFlag{false};
  std::thread Worker;
};

}  // namespace kelvo::sim
