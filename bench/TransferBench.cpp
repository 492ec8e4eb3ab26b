// A 256 KiB transfer in 256-byte pages into kelvo-sim with line-rate
// emulation, at 115200 and 1,000,000 baud. Efficiency is the wire time of
// every frame, page and reply over the measured time; the CPU share is the
// tool's own CPU time (the simulator runs as another process) over the wall time.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "protocol/PageTransfer.h"
#include "serial/COMSocket.h"

using namespace kelvo;

namespace {

class THost : public TTransferHost {
 public:
  TCOMSocket& Port() override { return Socket; }
  void Log(const std::string&) override {}
  void SetProgressMax(int32_t) override {}
  void SetProgressPosition(int32_t) override {}
  void ProcessMessages() override {}
  TCOMSocket Socket;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Measure(const std::string& sim, uint32_t baud) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    // KELVO_BENCH_NO_LINE_RATE measures the round trip alone (replies at once).
    const char* rate = getenv("KELVO_BENCH_NO_LINE_RATE") ? "--exit-on-restart" : "--line-rate";
    execl(sim.c_str(), sim.c_str(), rate, "--flash", "256x2048", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  char path[256] = {};
  ssize_t n = read(pipeFds[0], path, sizeof path - 1);
  close(pipeFds[0]);
  if (n <= 0) return false;
  std::string port(path, static_cast<size_t>(n));
  port = port.substr(0, port.find('\n'));

  THost host;
  bool ok = host.Socket.Connect(port, baud);
  const uint32_t pages = 1024, pageSize = 256;
  TByteBuffer data(std::vector<uint8_t>(pages * pageSize, 0x5A));
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  ok = ok && SendPages(host, tmFlash, pageSize, 0, data);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double cpu = CpuSeconds() - cpu0;
  host.Socket.Close();
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  const double floor = pages * (7.0 + pageSize + 7.0) * 10.0 / baud;
  std::printf("%8u baud: %s, measured %.3f s, floor %.3f s, efficiency %.3f, CPU %.2f %% of wall\n", baud,
              ok ? "ok" : "FAILED", wall, floor, floor / wall, 100.0 * cpu / wall);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sim = argc > 1 ? argv[1] : KELVO_SIM_PATH;
  bool ok = Measure(sim, 115200);
  ok = Measure(sim, 1000000) && ok;
  return ok ? 0 : 1;
}
