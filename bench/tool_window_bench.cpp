// How soon the window answers while the tool talks to the printer, against
// orvex-sim on a pseudo-terminal, in real time:
//   tool_window_bench [logo rows]
// A probe thread asks the window thread for its message text every 20 ms (a
// blocking queued call, as an accessibility client or a compositor's ping
// would wait) and times each answer, in four phases: idle (3 s), a coin
// format download (268 paced bytes), a logo download (341 rows unless
// given) and Download All (a 24-row logo in each slot). Per phase: the
// answers, the worst, the 99th percentile and how many took over 50 ms.
// Goal: under 50 ms in every phase.

#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/modal_dialogs.h"
#include "bitmaps.h"
#include "tool_bench_support.h"

namespace {

using namespace orvex::bench;
using Clock = std::chrono::steady_clock;

// No modal box may block the bench: the messages are only counted.
class CountingDialogs : public orvex::app::ModalDialogs {
 public:
  void information(QWidget*, const QString&, const QString& text) override {
    std::fprintf(stderr, "message box: %s\n", qPrintable(text));
  }
  std::optional<QString> openFile(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  // The bench's end closes the window whatever is at stake.
  orvex::app::CloseAnswer askClose(QWidget*, const orvex::app::CloseQuestion&) override {
    return orvex::app::CloseAnswer::Close;
  }
};

constexpr const char* kPhases[] = {"idle", "format download", "logo download", "Download All"};
constexpr int kPhaseCount = 4;

class Probe {
 public:
  explicit Probe(orvex::app::MainWindow& form) : form_(form), thread_([this] { Run(); }) {}
  ~Probe() { Stop(); }
  void Phase(int phase) { phase_ = phase; }
  // After the probe has stopped.
  const std::vector<double>& Answers(int phase) const {
    return answers_[static_cast<std::size_t>(phase)];
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Run() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const int phase = phase_;
      if (phase < 0) continue;
      const auto start = Clock::now();
      QMetaObject::invokeMethod(
          &form_, [this] { text_ = form_.messageWindow()->toPlainText().size(); },
          Qt::BlockingQueuedConnection);
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      answers_[static_cast<std::size_t>(phase)].push_back(ms);
    }
  }

  orvex::app::MainWindow& form_;
  std::atomic<int> phase_{-1};
  std::atomic<bool> stop_{false};
  qsizetype text_ = 0;
  std::vector<double> answers_[kPhaseCount];
  std::thread thread_;
};

std::uint8_t Pattern(int row, int column) {
  return static_cast<std::uint8_t>(row ^ (column * 3));
}

void Report(const char* phase, std::vector<double> answers, double seconds) {
  if (answers.empty()) {
    std::printf("  %-16s no answers\n", phase);
    return;
  }
  std::sort(answers.begin(), answers.end());
  const double p99 = answers[std::min(answers.size() - 1, answers.size() * 99 / 100)];
  const auto slow =
      std::count_if(answers.begin(), answers.end(), [](double ms) { return ms > 50; });
  std::printf(
      "  %-16s %6.1f s, %5zu answers: worst %7.2f ms, 99th %6.2f ms, median %5.2f ms; "
      "%ld over 50 ms\n",
      phase, seconds, answers.size(), answers.back(), p99, answers[answers.size() / 2],
      static_cast<long>(slow));
}

}  // namespace

int main(int argc, char** argv) {
  const int logoRows = argc > 1 ? std::atoi(argv[1]) : 341;
  char folder[] = "/tmp/orvex-window-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::filesystem::path home(folder);
  setenv("XDG_CONFIG_HOME", folder, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int simPid = StartSimulator(home, "sim");
  if (simPid == 0) return 1;

  QApplication app(argc, argv);
  CountingDialogs dialogs;
  orvex::app::MainWindow form;
  form.setDialogs(&dialogs);
  form.setProcessEnd([] {});
  form.show();
  form.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(0);
  form.openChosenPort();
  if (!WaitFor([&] { return Identified(form); }, 5000)) {
    std::fprintf(stderr, "the simulated printer was not identified\n");
    kill(simPid, SIGTERM);
    return 1;
  }
  const auto bigLogo = home / "big.bmp";
  const auto smallLogo = home / "small.bmp";
  orvex::test::WriteFile(bigLogo, orvex::test::MonoBmpBytes(384, logoRows, Pattern));
  orvex::test::WriteFile(smallLogo, orvex::test::MonoBmpBytes(384, 24, Pattern));

  Probe probe(form);
  double seconds[kPhaseCount] = {};
  const auto run = [&](int phase, const char* item, const std::string& done, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    probe.Phase(phase);
    if (item != nullptr) form.menuAction(QString::fromLatin1(item))->trigger();
    const bool finished = done.empty() ? (WaitFor([] { return false; }, limitMs), true)
                                       : WaitFor([&] { return MemoHas(form, done); }, limitMs);
    probe.Phase(-1);
    seconds[phase] = static_cast<double>(timer.elapsed()) / 1000.0;
    if (!finished) std::fprintf(stderr, "%s did not finish\n", kPhases[phase]);
  };

  run(0, nullptr, "", 3000);
  run(1, "SetCoin", "Download coin format finished .", 20000);
  OnSession(form, [&](orvex::core::Session& s) {
    s.setup.logos[0] = {bigLogo.string(), logoRows};
    return true;
  });
  run(2, "SetLogo1", "Download logo1 finished .", 600000);
  OnSession(form, [&](orvex::core::Session& s) {
    for (auto& slot : s.setup.logos) slot = {smallLogo.string(), 24};
    return true;
  });
  run(3, "ProgameAll1", "Download all part finished!!", 120000);
  probe.Stop();

  std::printf("the window's answers to a probe every 20 ms (goal: under 50 ms in every phase)\n");
  for (int phase = 0; phase < kPhaseCount; ++phase) {
    Report(kPhases[phase], probe.Answers(phase), seconds[phase]);
  }
  std::printf("load average after: %s\n", LoadAverage().c_str());
  form.close();
  kill(simPid, SIGTERM);
  std::filesystem::remove_all(home);
  return 0;
}
