// `orvex-fleet read` with one printer and with eight, each an orvex-sim on
// its own pseudo-terminal, in real time. The figure: how much longer eight
// printers take to be read out than one (the aim is at most 1.1 times), and
// the program's CPU time.
//   fleet_read_bench                 five runs of each (about 2 s a run)
//   fleet_read_bench --printers K    K printers instead of eight (1..9)
//   fleet_read_bench --runs R        R runs of each
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bitmaps.h"  // TempFolder
#include "child_process.h"

namespace {

namespace fs = std::filesystem;
using orvex::test::ChildProcess;

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figure {
  double seconds = 0;
  double cpuSeconds = 0;
  int exit = -1;
};

// Serves `printers` simulated printers and times one read-out of them all.
Figure ReadOut(const fs::path& folder, int printers) {
  const fs::path config = folder / "config";
  fs::remove_all(config);
  fs::create_directories(config / "orvex-tool/ports");
  ChildProcess::Options simOptions;
  simOptions.env = {"XDG_CONFIG_HOME=" + config.string()};
  simOptions.stdoutPipe = true;
  std::vector<std::unique_ptr<ChildProcess>> sims;
  std::vector<std::string> args = {"read", "--plain", "--json", (folder / "report.json").string()};
  for (int n = 1; n <= printers; ++n) {
    const std::string port = "COM" + std::to_string(n);
    sims.push_back(std::make_unique<ChildProcess>(
        ORVEX_SIM_EXE, std::vector<std::string>{"--port", port}, simOptions));
    if (!sims.back()->ReadLine(5000)) {
      std::fprintf(stderr, "orvex-sim for %s did not start\n", port.c_str());
      return {};
    }
    args.push_back("--port");
    args.push_back(port);
  }
  ChildProcess::Options options;
  options.env = simOptions.env;
  options.stdoutPath = (folder / "fleet.out").string();
  options.stderrPath = (folder / "fleet.err").string();
  Figure figure;
  const double cpuBefore = ChildrenCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  ChildProcess run(ORVEX_FLEET_EXE, args, options);
  const auto exit = run.Wait(5 * 60 * 1000);
  figure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figure.cpuSeconds = ChildrenCpuSeconds() - cpuBefore;  // orvex-fleet alone: reaped first
  figure.exit = exit.value_or(-2);
  return figure;
}

}  // namespace

int main(int argc, char** argv) {
  int printers = 8;
  int runs = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (name == "--printers") printers = std::clamp(value, 1, 9);
    if (name == "--runs") runs = std::clamp(value, 1, 50);
  }
  const fs::path folder = orvex::test::TempFolder("fleet-read-bench");
  std::printf("orvex-fleet read (firmware, clock, multipliers, print status, totals)\n");
  std::vector<double> ratios;
  double oneCpu = 0;
  double manyCpu = 0;
  for (int r = 0; r < runs; ++r) {
    const Figure one = ReadOut(folder, 1);
    const Figure many = ReadOut(folder, printers);
    if (one.exit != 0 || many.exit != 0) {
      std::printf("run %d failed: exit %d (1 printer), %d (%d printers); see %s\n", r + 1, one.exit,
                  many.exit, printers, folder.c_str());
      return 1;
    }
    ratios.push_back(many.seconds / one.seconds);
    oneCpu += one.cpuSeconds;
    manyCpu += many.cpuSeconds;
    std::printf("run %d: 1 printer %.3f s (CPU %.3f s), %d printers %.3f s (CPU %.3f s): %.3f x\n",
                r + 1, one.seconds, one.cpuSeconds, printers, many.seconds, many.cpuSeconds,
                ratios.back());
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("median %.3f x, worst %.3f x; mean CPU %.3f s (1 printer), %.3f s (%d printers)\n",
              ratios[ratios.size() / 2], ratios.back(), oneCpu / runs, manyCpu / runs, printers);
  fs::remove_all(folder);
  return 0;
}
