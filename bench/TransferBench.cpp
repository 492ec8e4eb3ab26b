// A 256 KiB transfer in 256-byte pages into kelvo-sim with line-rate
// emulation, at 115200 and 1,000,000 baud. Efficiency is the wire time of
// every frame, page and reply over the measured time; the CPU share is the
// tool's own CPU time (the simulator runs as another process) over the wall time.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

struct TFigures {
  double Efficiency = 0;
  double CpuShare = 0;  // percent of the wall time
};

bool Measure(const std::string& sim, uint32_t baud, TFigures& figures) {
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
  figures.Efficiency = floor / wall;
  figures.CpuShare = 100.0 * cpu / wall;
  std::printf("%8u baud: %s, measured %.3f s, floor %.3f s, efficiency %.3f, CPU %.2f %% of wall\n", baud,
              ok ? "ok" : "FAILED", wall, floor, figures.Efficiency, figures.CpuShare);
  std::fflush(stdout);
  return ok;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

// bench_transfer [--runs N] [SIMULATOR [BAUD...]]: by default one run at each
// speed of the goal. On a shared machine the figures move with the load of
// the other guests; several runs give a median next to the single figures.
int main(int argc, char** argv) {
  int first = 1;
  unsigned runs = 1;
  if (argc > 2 && std::string(argv[1]) == "--runs") {
    runs = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    first = 3;
  }
  const std::string sim = argc > first ? argv[first] : KELVO_SIM_PATH;
  std::vector<uint32_t> speeds;
  for (int i = first + 1; i < argc; ++i) speeds.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10)));
  if (speeds.empty()) speeds = {115200, 1000000};
  if (runs == 0 || std::find(speeds.begin(), speeds.end(), 0u) != speeds.end()) {
    std::fprintf(stderr, "usage: bench_transfer [--runs N] [SIMULATOR [BAUD...]] (N and every BAUD above 0)\n");
    return 2;
  }
  bool ok = true;
  for (uint32_t baud : speeds) {
    std::vector<double> efficiency, cpu;
    for (unsigned run = 0; run < runs; ++run) {
      TFigures figures;
      ok = Measure(sim, baud, figures) && ok;
      efficiency.push_back(figures.Efficiency);
      cpu.push_back(figures.CpuShare);
    }
    if (runs > 1)
      std::printf("%8u baud: median of %u runs: efficiency %.3f, CPU %.2f %% of wall\n", baud, runs,
                  Median(efficiency), Median(cpu));
  }
  return ok ? 0 : 1;
}
