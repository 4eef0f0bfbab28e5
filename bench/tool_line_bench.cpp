// Figures of the whole tool on a pseudo-terminal to orvex-sim, in real time:
//   tool_line_bench idle     CPU of the tool over 10 s with the port open
//   tool_line_bench latency  time from the printer's last reply byte to the dispatcher
//   tool_line_bench format   one coin format download (268 bytes)
//   tool_line_bench logo     one 341-row logo download (16372 bytes), and its CPU
//   tool_line_bench replug   CPU of the tool over 10 s with the device gone (waiting for
//                            it) and 10 s after it is back, and how soon it is reopened
// format and logo report the gaps between the bytes at the tool's writes (from
// one write's return to the next write's start) and at the simulator (the
// moment it read each byte, orvex-sim --byte-times), both on CLOCK_MONOTONIC:
// the smallest, the median and how many fall below the 10 ms pause; and the
// totals against their floors:
//   format: 267 pauses from the first byte to the last = 2.67 s; 268 pauses,
//     the last byte's included, for the whole command = 2.68 s.
//   logo: 4 + 341 x 48 = 16372 bytes, each followed by its 10 ms pause
//     (163.72 s), plus 342 acknowledgement waits (header and every row) of
//     45 ms each: the printer answers 5 ms after a row's last byte (orvex-sim;
//     a real printer's own delay takes its place) and a read ends only after
//     50 ms without a byte, of which the row's last pause covers 10 ms.
//     Floor 163.72 + 15.39 = 179.11 s, from the command to its return after
//     the last row's acknowledgement.
// The load average is shown: the figures mean most on a quiet machine.
// A second argument to format and logo compares the traffic log's cost:
// "traffic" writes its day files meanwhile (into a temporary folder), "shown"
// also shows the Traffic Log window, "none" records nothing at all; without
// it the lines go to the (hidden) Traffic Log window only.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "bitmaps.h"
#include "core/formats/format_download.h"
#include "core/logos/logo_download.h"
#include "core/session.h"
#include "line_figures.h"
#include "platform/host/paced_link.h"
#include "tool_bench_support.h"

namespace {

using namespace orvex::bench;

std::uint8_t Pattern(int row, int column) {
  return static_cast<std::uint8_t>(row ^ (column * 3));
}

// What the line saw of one download: `bytes` writes, and the simulator's
// moments from index `farFrom` on.
struct LineRecord {
  orvex::platform::PacedLink::WriteTimes writes;
  std::vector<std::int64_t> far;
};

void PrintLine(const LineRecord& line, std::size_t bytes) {
  const auto& w = line.writes;
  if (w.startNs.size() != bytes || line.far.size() != bytes) {
    std::printf("  (%zu writes and %zu bytes at the simulator, %zu expected)\n", w.startNs.size(),
                line.far.size(), bytes);
  }
  std::vector<std::int64_t> tool;
  for (std::size_t i = 1; i < w.startNs.size() && i < w.returnNs.size(); ++i) {
    tool.push_back(w.startNs[i] - w.returnNs[i - 1]);
  }
  std::vector<std::int64_t> far;
  for (std::size_t i = 1; i < line.far.size(); ++i) far.push_back(line.far[i] - line.far[i - 1]);
  PrintGaps("at the tool's writes:", Gaps(tool));
  PrintGaps("at the simulator:", Gaps(far));
  // A write's own time adds to its byte's period: the pause counts from its return.
  std::vector<std::int64_t> writing;
  for (std::size_t i = 0; i < w.startNs.size() && i < w.returnNs.size(); ++i) {
    writing.push_back(w.returnNs[i] - w.startNs[i]);
  }
  const GapFigures t = Gaps(writing);
  std::printf("  the writes themselves:            median %7.3f ms, largest %8.3f ms\n", t.medianMs,
              t.maxMs);
}

}  // namespace

// The latency figure needs the moment the printer's last byte left; the
// bench plays a printer of its own on a pty for it.
int LatencyBench(int argc, char** argv, const std::filesystem::path& home) {
  int master = -1, slave = -1;
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return 1;
  const auto ports = home / "orvex-tool" / "ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(ttyname(slave), ports / "COM1");

  std::atomic<std::int64_t> lastByteNs{0};
  std::atomic<bool> stop{false};
  std::thread printer([&] {
    const std::uint8_t firmware[19] = {'B', 'E', 'N', 'C', 'H', ' ', 'P', 'R', 'I', 'N',
                                       'T', 'E', 'R', ' ', ' ', 1,   2,   3,   4};
    bool announced = false;
    std::uint8_t previous = 0;
    while (!stop) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      std::uint8_t byte = 0;
      if (read(master, &byte, 1) != 1) continue;
      if (!announced) announced = true;
      if (previous == 0x1B && byte == 0xA0) {
        const std::uint8_t wide = 0x0A;
        (void)!write(master, &wide, 1);
      } else if (previous == 0x1D && byte == 0xF9) {
        (void)!write(master, firmware, sizeof firmware);
        tcdrain(master);
        lastByteNs = std::chrono::steady_clock::now().time_since_epoch().count();
      }
      previous = byte;
    }
  });

  QApplication app(argc, argv);
  orvex::app::MainWindow form;
  form.setProcessEnd([] {});
  form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(0);
  form.openChosenPort();
  const std::uint8_t announce = 0x26;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  (void)!write(master, &announce, 1);
  if (!WaitFor([&] { return Identified(form); }, 5000)) return 1;

  std::vector<double> figures;
  for (int i = 0; i < 20; ++i) {
    form.readFirmwareVersion();
    WaitFor(
        [&] {
          return OnSession(form, [](orvex::core::Session& s) {
            return !s.pending.Has(orvex::core::Request::Firmware);
          });
        },
        5000);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    figures.push_back(static_cast<double>(now - lastByteNs.load()) / 1e6);
  }
  stop = true;
  printer.join();
  std::sort(figures.begin(), figures.end());
  std::printf("last reply byte to dispatcher: median %.1f ms, worst %.1f ms (goal 50 + < 5 ms)\n",
              figures[figures.size() / 2], figures.back());
  return 0;
}

// CPU of this process over `seconds` of handling events.
double IdleCpu(QApplication& app, int seconds) {
  const double before = ProcessCpuSeconds();
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  return ProcessCpuSeconds() - before;
}

// The printer's device goes away and comes back: what waiting for it costs,
// and how soon it is open again.
int ReplugBench(QApplication& app, orvex::app::MainWindow& form, const std::filesystem::path& home,
                int& simPid) {
  kill(simPid, SIGTERM);  // the link goes and the pseudo-terminal hangs up
  if (!WaitFor([&] { return form.toolStatusBar()->portStatus().contains("gone"); }, 5000)) {
    std::fprintf(stderr, "the tool did not notice the device going\n");
    return 1;
  }
  const double gone = IdleCpu(app, 10);
  std::printf(
      "device gone, waiting for it: %.3f s CPU in 10 s = %.3f %% of one core (goal < 0.5 %%)\n",
      gone, gone * 10.0);

  QElapsedTimer back;
  back.start();
  simPid = StartSimulator(home, "sim2");
  const double started = static_cast<double>(back.elapsed());
  if (simPid == 0 ||
      !WaitFor([&] { return form.toolStatusBar()->portStatus().endsWith("  open"); }, 5000)) {
    std::fprintf(stderr, "the tool did not open the device again\n");
    return 1;
  }
  std::printf(
      "device back: open again %.0f ms after the simulator was started (%.0f ms of it "
      "the simulator's start)\n",
      static_cast<double>(back.elapsed()), started);
  const double open = IdleCpu(app, 10);
  std::printf("device back, port open: %.3f s CPU in 10 s = %.3f %% of one core (goal < 0.5 %%)\n",
              open, open * 10.0);
  form.readFirmwareVersion();
  if (!WaitFor([&] { return MemoHas(form, "Firmware version :"); }, 5000)) {
    std::fprintf(stderr, "no answer after the device came back\n");
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "idle";
  const auto home = orvex::test::TempFolder("line-bench");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (mode == "latency") return LatencyBench(argc, argv, home);

  const auto byteTimes = home / "sim.times";
  int simPid = StartSimulator(home, "sim");
  if (simPid == 0) return 1;

  QApplication app(argc, argv);
  orvex::app::MainWindow form;
  form.setProcessEnd([] {});
  const std::string logging = argc > 2 ? argv[2] : "window";
  const bool traffic = logging == "traffic" || logging == "shown";
  const QString trafficFolder = QString::fromStdString((home / "traffic").string());
  if (traffic) form.startTrafficLog(trafficFolder, false);
  if (logging == "shown") form.showTrafficLog();
  if (logging == "none") {
    OnSession(form, [](orvex::core::Session& s) {
      s.traffic.SetObserver(nullptr);
      return true;
    });
  }
  std::printf("traffic log: %s\n", logging == "shown"  ? "window shown, and day files"
                                   : traffic           ? "hidden window and day files"
                                   : logging == "none" ? "not recorded"
                                                       : "hidden window only");
  form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(0);
  form.openChosenPort();
  if (!WaitFor([&] { return Identified(form); }, 5000)) {
    std::fprintf(stderr, "the simulated printer was not identified\n");
    kill(simPid, SIGTERM);
    return 1;
  }

  if (mode == "replug") {
    const int result = ReplugBench(app, form, home, simPid);
    kill(simPid, SIGTERM);
    return result;
  }

  orvex::platform::PacedLink* link = &form.sessionThread().host().link();
  std::printf("load average before: %s\n", LoadAverage().c_str());
  LineRecord line;
  // Runs one download on the session's thread with its writes recorded; the
  // simulator's moments of the same bytes follow once they are all in.
  auto recordLine = [&](const std::function<void(orvex::core::Session&)>& download,
                        std::size_t bytes) {
    const std::size_t farFrom = ReadByteTimes(byteTimes).size();
    line.writes.startNs.reserve(bytes);  // no reallocation between two writes
    line.writes.returnNs.reserve(bytes);
    form.sessionThread().runAndWait([&](orvex::core::Session& s) {
      link->RecordWriteTimes(&line.writes);
      download(s);
      link->RecordWriteTimes(nullptr);
    });
    WaitFor([&] { return ReadByteTimes(byteTimes).size() >= farFrom + bytes; }, 5000);
    const std::vector<std::int64_t> all = ReadByteTimes(byteTimes);
    line.far.assign(all.begin() + static_cast<std::ptrdiff_t>(std::min(farFrom, all.size())),
                    all.end());
  };

  if (mode == "idle") {
    const double before = ProcessCpuSeconds();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = ProcessCpuSeconds() - before;
    std::printf(
        "idle with the port open: %.3f s CPU in 10 s = %.3f %% of one core (goal < 0.5 %%)\n", cpu,
        cpu * 10.0);
  } else if (mode == "format") {
    constexpr std::size_t kBytes = 268;
    QElapsedTimer timer;
    double sending = 0;
    recordLine(
        [&](orvex::core::Session& s) {
          timer.start();
          orvex::core::DownloadCoinFormat(s);
          sending = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        },
        kBytes);
    const bool answered =
        WaitFor([&] { return MemoHas(form, "Download coin format finished ."); }, 10000);
    std::printf("format download (%zu bytes)%s:\n", kBytes, answered ? "" : " NOT ANSWERED");
    PrintLine(line, kBytes);
    const double writes = SpanSeconds(line.writes.startNs);
    const double far = SpanSeconds(line.far);
    std::printf("  first to last byte at the tool's writes: %.4f s = %.4f x the floor 2.67 s\n",
                writes, writes / 2.67);
    std::printf("  first to last byte at the simulator:     %.4f s = %.4f x the floor 2.67 s\n",
                far, far / 2.67);
    std::printf("  the command, last pause included:        %.4f s = %.4f x the floor 2.68 s\n",
                sending, sending / 2.68);
  } else if (mode == "logo") {
    const auto path = home / "logo.bmp";
    orvex::test::WriteFile(path, orvex::test::MonoBmpBytes(384, 341, Pattern));
    OnSession(form, [&path](orvex::core::Session& s) {
      s.setup.logos[0] = {path.string(), 341};
      return true;
    });
    constexpr std::size_t kBytes = 4 + 341 * 48;
    constexpr double kFloor = 16372 * 0.010 + 342 * 0.045;
    const double before = ProcessCpuSeconds();
    QElapsedTimer timer;
    double seconds = 0;
    recordLine(
        [&](orvex::core::Session& s) {
          timer.start();
          orvex::core::DownloadLogo1(s);  // returns after the last row's acknowledgement
          seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        },
        kBytes);
    const double cpu = ProcessCpuSeconds() - before;
    const bool answered = WaitFor([&] { return MemoHas(form, "Download logo1 finished ."); }, 5000);
    std::printf("341-row logo (%zu bytes)%s:\n", kBytes, answered ? "" : " NOT ANSWERED");
    PrintLine(line, kBytes);
    // The waits for the acknowledgements, at the tool: from the return of the
    // last write before each wait to the next write (floor 10 + 45 ms).
    std::vector<std::int64_t> waits;
    for (std::size_t i = 4; i < line.writes.startNs.size(); i += 48) {
      waits.push_back(line.writes.startNs[i] - line.writes.returnNs[i - 1]);
    }
    const GapFigures w = Gaps(waits);
    // orvex-sim schedules in whole milliseconds, so one may come in under 55 ms.
    std::printf(
        "  row boundaries at the tool's writes: smallest %.3f ms, median %.3f ms (floor 55 ms)\n",
        w.minMs, w.medianMs);
    std::printf("  the command: %.3f s = %.4f x the floor %.2f s\n", seconds, seconds / kFloor,
                kFloor);
    std::printf("  CPU %.1f s = %.2f %% of one core (goal < 3 %%)\n", cpu, 100.0 * cpu / seconds);
  }
  if (traffic) {
    form.trafficLog().writer().Flush(5000);
    QFile day(trafficFolder + QDate::currentDate().toString(QStringLiteral("/yyyy-MM-dd.log")));
    if (day.open(QIODevice::ReadOnly)) {
      const QByteArray text = day.readAll();
      std::printf("traffic log: %lld lines, %lld bytes\n", static_cast<long long>(text.count('\n')),
                  static_cast<long long>(text.size()));
    }
  }
  std::printf("load average after: %s\n", LoadAverage().c_str());
  kill(simPid, SIGTERM);
  return 0;
}
