// Figures of the whole tool on a pseudo-terminal to orvex-sim, in real time:
//   tool_line_bench idle     CPU of the tool over 10 s with the port open
//   tool_line_bench latency  time from the printer's last reply byte to the dispatcher
//   tool_line_bench format   wall time of one format download (floor 268 x 10 ms)
//   tool_line_bench logo     wall time and CPU of a 341-row logo (floor about 180.8 s)
//   tool_line_bench replug   CPU of the tool over 10 s with the device gone (waiting for
//                            it) and 10 s after it is back, and how soon it is reopened
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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
#include "status_bar.h"
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

// Starts orvex-sim on COM1 and waits until it serves; its pid, or 0.
int StartSimulator(const std::filesystem::path& home, const std::string& name) {
  const auto out = home / (name + ".out");
  const std::string command =
      std::string(ORVEX_SIM_EXE) + " --port COM1 > " + out.string() + " 2>&1 & echo $!";
  FILE* pipe = popen(command.c_str(), "r");
  int pid = 0;
  if (pipe == nullptr || std::fscanf(pipe, "%d", &pid) != 1) return 0;
  pclose(pipe);
  for (int i = 0; i < 50 && orvex::test::ReadFile(out).find("serving") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return pid;
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
int ReplugBench(QApplication& app, TForm1& form, const std::filesystem::path& home, int& simPid) {
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
  form.ReadFirmwareVersion();
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

  int simPid = StartSimulator(home, "sim");
  if (simPid == 0) return 1;

  QApplication app(argc, argv);
  TForm1 form;
  form.SetProcessEnd([] {});
  form.ComboBox1->setCurrentIndex(0);
  form.ComboBox1Select();
  if (!WaitFor([&] { return form.session().state.identified; }, 5000)) {
    std::fprintf(stderr, "the simulated printer was not identified\n");
    kill(simPid, SIGTERM);
    return 1;
  }

  if (mode == "replug") {
    const int result = ReplugBench(app, form, home, simPid);
    kill(simPid, SIGTERM);
    return result;
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
  kill(simPid, SIGTERM);
  return 0;
}
