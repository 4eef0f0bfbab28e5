// The whole tool on a pseudo-terminal to orvex-sim and, in the same run,
// through ser2net on 127.0.0.1 to the same simulator, in telnet with RFC 2217
// and in raw TCP:
//   - a coin format download (268 bytes): the smallest and the median gap
//     between the bytes at the simulator (orvex-sim --byte-times), and its
//     first to last byte against the floor of 267 pauses (2.67 s);
//   - the reply latency: from the return of the firmware query's last write
//     to the dispatcher's handling of the reply, median and worst of 20
//     (orvex-sim answers 20 ms after a command; the read ends 50 ms after
//     the reply's last byte);
//   - ser2net stopped: the CPU of the tool over 10 s while it waits to
//     connect again, and how soon it is back once ser2net serves again.
// The load average is shown: the figures mean most on a quiet machine.
#include <signal.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "bitmaps.h"
#include "child_process.h"
#include "core/commands/queries.h"
#include "core/formats/format_download.h"
#include "core/session.h"
#include "line_figures.h"
#include "platform/host/paced_link.h"
#include "ser2net_process.h"
#include "tool_bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvex::bench;
using orvex::test::Ser2net;

struct Figures {
  GapFigures farGaps;
  double farSpan = 0;
  double toolSpan = 0;       // first to last write, at the tool
  double writeMedianMs = 0;  // how long one write took
  double writeLargestMs = 0;
  double latencyMedianMs = 0;
  double latencyWorstMs = 0;
  bool ok = false;
};

// One window on `com` (index in the port list): the format, then the latency.
Figures Measure(int index, const fs::path& byteTimes) {
  Figures figures;
  orvex::app::MainWindow form;
  form.setProcessEnd([] {});
  form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(index);
  form.openChosenPort();
  if (!WaitFor([&] { return Identified(form); }, 8000)) {
    std::fprintf(stderr, "  the printer was not identified\n");
    return figures;
  }
  orvex::platform::PacedLink& link = form.sessionThread().host().link();

  constexpr std::size_t kBytes = 268;
  const std::size_t before = ReadByteTimes(byteTimes).size();
  orvex::platform::PacedLink::WriteTimes writes;
  writes.startNs.reserve(kBytes);  // no reallocation between two writes
  writes.returnNs.reserve(kBytes);
  form.sessionThread().runAndWait([&](orvex::core::Session& s) {
    link.RecordWriteTimes(&writes);
    orvex::core::DownloadCoinFormat(s);
    link.RecordWriteTimes(nullptr);
  });
  figures.toolSpan = SpanSeconds(writes.startNs);
  std::vector<std::int64_t> writing;
  for (std::size_t i = 0; i < writes.startNs.size() && i < writes.returnNs.size(); ++i)
    writing.push_back(writes.returnNs[i] - writes.startNs[i]);
  const GapFigures w = Gaps(writing);
  figures.writeMedianMs = w.medianMs;
  figures.writeLargestMs = w.maxMs;
  WaitFor([&] { return ReadByteTimes(byteTimes).size() >= before + kBytes; }, 5000);
  const std::vector<std::int64_t> all = ReadByteTimes(byteTimes);
  const std::vector<std::int64_t> far(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  if (far.size() != kBytes)
    std::printf("  (%zu bytes at the simulator, %zu expected)\n", far.size(), kBytes);
  figures.farGaps = GapsBetween(far);
  figures.farSpan = SpanSeconds(far);
  // Its answer is taken before the queries.
  WaitFor([&] { return !OnSession(form, [](orvex::core::Session& s) { return s.state.busy; }); },
          5000);

  std::vector<double> latencies;
  for (int i = 0; i < 20; ++i) {
    orvex::platform::PacedLink::WriteTimes query;
    query.startNs.reserve(4);
    query.returnNs.reserve(4);
    const double ms = OnSession(form, [&](orvex::core::Session& s) {
      link.RecordWriteTimes(&query);
      orvex::core::ReadFirmwareVersion(s);
      link.RecordWriteTimes(nullptr);
      s.io.events.WaitWhile([&s] { return s.pending.Has(orvex::core::Request::Firmware); });
      const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
      return static_cast<double>(now - query.returnNs.back()) / 1e6;
    });
    latencies.push_back(ms);
  }
  std::sort(latencies.begin(), latencies.end());
  figures.latencyMedianMs = latencies[latencies.size() / 2];
  figures.latencyWorstMs = latencies.back();
  figures.ok = true;
  form.close();
  return figures;
}

void Print(const char* what, const Figures& f) {
  if (!f.ok) {
    std::printf("%-22s no figures\n", what);
    return;
  }
  std::printf("%s\n", what);
  std::printf(
      "  gaps at the simulator: smallest %6.3f ms, median %6.3f ms, largest %7.3f ms, %zu of %zu "
      "below 10 ms\n",
      f.farGaps.minMs, f.farGaps.medianMs, f.farGaps.maxMs, f.farGaps.below10, f.farGaps.count);
  std::printf("  first to last byte at the simulator: %.4f s = %.4f x the floor 2.67 s\n",
              f.farSpan, f.farSpan / 2.67);
  std::printf(
      "  first to last write at the tool:     %.4f s = %.4f x the floor (one write: median "
      "%.3f ms, largest %.3f ms)\n",
      f.toolSpan, f.toolSpan / 2.67, f.writeMedianMs, f.writeLargestMs);
  std::printf("  reply latency: median %.1f ms, worst %.1f ms\n", f.latencyMedianMs,
              f.latencyWorstMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (Ser2net::Program().empty()) {
    std::fprintf(stderr, "ser2net is not installed (scripts/install-deps)\n");
    return 1;
  }
  const fs::path home = orvex::test::TempFolder("net-bench");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path byteTimes = home / "sim.times";
  orvex::test::ChildProcess::Options options;
  options.stdoutPipe = true;
  orvex::test::ChildProcess sim(ORVEX_SIM_EXE,
                                {"--port", "COM1", "--byte-times", byteTimes.string()}, options);
  if (!sim.ReadLine(5000)) return 1;
  const fs::path ports = home / "orvex-tool" / "ports";
  const std::string pty = fs::read_symlink(ports / "COM1").string();
  fs::create_directories(home / "ser2net");
  Ser2net server((home / "ser2net").string(), {{pty, true}, {pty, false}});
  if (!server.Start()) {
    std::fprintf(stderr, "ser2net did not start\n");
    return 1;
  }
  fs::create_symlink(server.Address(0), ports / "COM5");
  fs::create_symlink(server.Address(1), ports / "COM6");

  QApplication app(argc, argv);
  std::printf("load average before: %s\n", LoadAverage().c_str());
  const Figures pty_ = Measure(0, byteTimes);
  const Figures rfc = Measure(4, byteTimes);
  const Figures raw = Measure(5, byteTimes);
  Print("pseudo-terminal:", pty_);
  Print("ser2net, RFC 2217:", rfc);
  Print("ser2net, raw TCP:", raw);

  // The device server goes away and comes back.
  orvex::app::MainWindow form;
  form.setProcessEnd([] {});
  form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(4);
  form.openChosenPort();
  const auto status = [&form] { return form.toolStatusBar()->portStatus(); };
  if (!WaitFor([&] { return status().endsWith(QStringLiteral("  open")); }, 8000)) return 1;
  server.Stop();
  if (!WaitFor([&] { return status().contains(QStringLiteral("connection lost")); }, 5000))
    return 1;
  const double before = ProcessCpuSeconds();
  QTimer::singleShot(10000, &app, &QCoreApplication::quit);
  app.exec();
  const double cpu = ProcessCpuSeconds() - before;
  std::printf(
      "ser2net stopped, waiting to connect again: %.3f s CPU in 10 s = %.3f %% of one core "
      "(goal < 0.5 %%)\n",
      cpu, cpu * 10.0);
  QElapsedTimer back;
  back.start();
  if (!server.Start()) return 1;
  const bool open = WaitFor([&] { return status().endsWith(QStringLiteral("  open")); }, 40000);
  std::printf("ser2net serving again: the tool connected %.1f s later%s (%s)\n",
              static_cast<double>(back.elapsed()) / 1000.0, open ? "" : " NOT",
              status().toStdString().c_str());
  std::printf("load average after: %s\n", LoadAverage().c_str());
  form.close();
  return 0;
}
