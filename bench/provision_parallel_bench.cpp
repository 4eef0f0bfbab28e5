// orvex-provision with one printer and with eight, each an orvex-sim on its
// own pseudo-terminal, in real time. The figure: how much longer eight
// printers take than one (the aim is at most 1.1 times), and the program's
// CPU time.
//   provision_parallel_bench                 setup without logos (about 17 s a run)
//   provision_parallel_bench --logo-rows N   with a logo of N rows in slot 1
//   provision_parallel_bench --printers K    K printers instead of eight (1..9)
//   provision_parallel_bench --runs R        R runs of each (default 1)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bitmaps.h"
#include "child_process.h"
#include "core/formatfile/format_file.h"

namespace {

namespace fs = std::filesystem;
using orvex::test::ChildProcess;

std::uint8_t Checker(int row, int column) {
  return (row + column) % 2 ? 0xF0 : 0x0F;
}

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

// Serves `printers` simulated printers, provisions them all, and times it.
Figure Provision(const fs::path& folder, const std::string& setup, int printers) {
  const fs::path config = folder / "config";
  fs::remove_all(config);
  fs::create_directories(config / "orvex-tool/ports");
  ChildProcess::Options simOptions;
  simOptions.env = {"XDG_CONFIG_HOME=" + config.string()};
  simOptions.stdoutPipe = true;
  std::vector<std::unique_ptr<ChildProcess>> sims;
  std::vector<std::string> args = {"--setup", setup, "--no-clock", "--plain"};
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
  options.stdoutPath = (folder / "provision.out").string();
  options.stderrPath = (folder / "provision.err").string();
  Figure figure;
  const double cpuBefore = ChildrenCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  ChildProcess run(ORVEX_PROVISION_EXE, args, options);
  const auto exit = run.Wait(30 * 60 * 1000);
  figure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figure.cpuSeconds = ChildrenCpuSeconds() - cpuBefore;  // orvex-provision alone: reaped first
  figure.exit = exit.value_or(-2);
  return figure;
}

}  // namespace

int main(int argc, char** argv) {
  int logoRows = 0;
  int printers = 8;
  int runs = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (name == "--logo-rows") logoRows = std::clamp(value, 0, 341);
    if (name == "--printers") printers = std::clamp(value, 1, 9);
    if (name == "--runs") runs = std::clamp(value, 1, 20);
  }
  const fs::path folder = orvex::test::TempFolder("provision-bench");
  orvex::core::TicketSetup setup;
  setup.multipliers = {"25", "100", "5", "2"};
  if (logoRows > 0) {
    const fs::path logo = folder / "logo.bmp";
    orvex::test::WriteFile(logo, orvex::test::MonoBmpBytes(384, logoRows, Checker));
    setup.logos[0] = {logo.string(), logoRows};
  }
  const fs::path setupPath = folder / "bench.orx";
  orvex::test::WriteFile(setupPath, orvex::core::FormatFile::FromSetup(setup).Bytes());

  std::printf("orvex-provision, setup %s, clock left alone\n",
              logoRows > 0 ? ("with a " + std::to_string(logoRows) + "-row logo").c_str()
                           : "without logos");
  for (int r = 0; r < runs; ++r) {
    const Figure one = Provision(folder, setupPath.string(), 1);
    const Figure many = Provision(folder, setupPath.string(), printers);
    if (one.exit != 0 || many.exit != 0) {
      std::printf("run %d failed: exit %d (1 printer), %d (%d printers); see %s\n", r + 1, one.exit,
                  many.exit, printers, folder.c_str());
      return 1;
    }
    std::printf("run %d: 1 printer %.2f s (CPU %.3f s), %d printers %.2f s (CPU %.3f s): %.3f x\n",
                r + 1, one.seconds, one.cpuSeconds, printers, many.seconds, many.cpuSeconds,
                many.seconds / one.seconds);
  }
  fs::remove_all(folder);
  return 0;
}
