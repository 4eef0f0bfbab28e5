// Figures of the whole tool on a pseudo-terminal to orvex-sim, in real time:
//   tool_line_bench idle     CPU of the tool over 10 s with the port open
//   tool_line_bench latency  time from the printer's last reply byte to the dispatcher
//   tool_line_bench format   wall time of one format download (floor 268 x 10 ms)
//   tool_line_bench logo     wall time and CPU of a 341-row logo (floor about 180.8 s)
// A second argument compares the traffic log's cost: "traffic" writes its day
// files meanwhile (into a temporary folder), "none" records nothing at all;
// without it the lines go to the Traffic Log window only.
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
#include <string>
#include <thread>
#include <vector>

#include "bitmaps.h"
#include "unit1.h"

namespace {

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Handles events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int limitMs) {
  QElapsedTimer timer;
  timer.start();
  // A slow tick wakes the wait now and then; events wake it otherwise.
  QTimer tick;
  tick.start(20);
  while (!condition()) {
    if (timer.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

bool MemoHas(TForm1& form, const std::string& text) {
  const auto& memo = form.session().io.memo;
  for (int i = memo.LineCount() - 1; i >= 0 && i >= memo.LineCount() - 20; --i) {
    if (form.Memo1->document()->findBlockByNumber(i).text().toStdString() == text) return true;
  }
  return false;
}

std::uint8_t Pattern(int row, int column) {
  return static_cast<std::uint8_t>(row ^ (column * 3));
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
  TForm1 form;
  form.SetProcessEnd([] {});
  form.ComboBox1->setCurrentIndex(0);
  form.ComboBox1Select();
  const std::uint8_t announce = 0x26;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  (void)!write(master, &announce, 1);
  if (!WaitFor([&] { return form.session().state.identified; }, 5000)) return 1;

  std::vector<double> figures;
  for (int i = 0; i < 20; ++i) {
    form.ReadFirmwareVersion();
    WaitFor([&] { return !form.session().pending.awaitFirmware; }, 5000);
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

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "idle";
  const auto home = orvex::test::TempFolder("line-bench");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (mode == "latency") return LatencyBench(argc, argv, home);

  const std::string command = std::string(ORVEX_SIM_EXE) + " --port COM1 > " +
                              (home / "sim.out").string() + " 2>&1 & echo $!";
  FILE* pipe = popen(command.c_str(), "r");
  int simPid = 0;
  if (pipe == nullptr || std::fscanf(pipe, "%d", &simPid) != 1) return 1;
  pclose(pipe);
  for (int i = 0;
       i < 50 && orvex::test::ReadFile(home / "sim.out").find("serving") == std::string::npos;
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  QApplication app(argc, argv);
  TForm1 form;
  form.SetProcessEnd([] {});
  const std::string logging = argc > 2 ? argv[2] : "window";
  const bool traffic = logging == "traffic";
  const QString trafficFolder = QString::fromStdString((home / "traffic").string());
  if (traffic) form.startTrafficLog(trafficFolder, false);
  if (logging == "none") form.session().traffic.SetObserver(nullptr);
  std::printf("traffic log: %s\n", traffic             ? "window and day files"
                                   : logging == "none" ? "not recorded"
                                                       : "window only");
  form.ComboBox1->setCurrentIndex(0);
  form.ComboBox1Select();
  if (!WaitFor([&] { return form.session().state.identified; }, 5000)) {
    std::fprintf(stderr, "the simulated printer was not identified\n");
    kill(simPid, SIGTERM);
    return 1;
  }

  if (mode == "idle") {
    const double before = ProcessCpuSeconds();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = ProcessCpuSeconds() - before;
    std::printf(
        "idle with the port open: %.3f s CPU in 10 s = %.3f %% of one core (goal < 0.5 %%)\n", cpu,
        cpu * 10.0);
  } else if (mode == "format") {
    QElapsedTimer timer;
    timer.start();
    form.DownloadCoinFormat();
    const double sending = static_cast<double>(timer.elapsed());
    WaitFor([&] { return MemoHas(form, "Download coin format finished ."); }, 10000);
    std::printf(
        "format download: %.0f ms to send, %lld ms to the answer; floor 2680 ms, sending is %.2f "
        "%% over\n",
        sending, static_cast<long long>(timer.elapsed()), (sending - 2680.0) / 26.8);
  } else if (mode == "logo") {
    const auto path = home / "logo.bmp";
    orvex::test::WriteFile(path, orvex::test::MonoBmpBytes(384, 341, Pattern));
    form.session().setup.logos[0] = {path.string(), 341};
    const double before = ProcessCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    form.DownloadLogo1();  // returns after the last row's acknowledgement
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    const double cpu = ProcessCpuSeconds() - before;
    WaitFor([&] { return MemoHas(form, "Download logo1 finished ."); }, 5000);
    std::printf(
        "341-row logo: %.1f s (floor about 180.8 s, %.2f %% over); CPU %.1f s = %.2f %% of one "
        "core (goal < 3 %%)\n",
        seconds, (seconds - 180.8) / 1.808, cpu, 100.0 * cpu / seconds);
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
  kill(simPid, SIGTERM);
  return 0;
}
