#pragma once
// What the benchmarks of the whole tool share: orvex-sim started on COM1,
// waits that handle the window's events, and a look at the session. The
// figures of the line are in line_figures.h.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

#include "app/main_window.h"
#include "bitmaps.h"
#include "core/session.h"
#include "line_figures.h"

namespace orvex::bench {

// Handles events until the condition holds or the time is up.
inline bool WaitFor(const std::function<bool()>& condition, int limitMs) {
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

// Runs `look` on the session's thread and returns what it returns.
template <class F>
auto OnSession(app::MainWindow& form, F look) {
  std::optional<std::invoke_result_t<F, core::Session&>> result;
  form.sessionThread().runAndWait([&](core::Session& s) { result.emplace(look(s)); });
  return *result;
}

inline bool Identified(app::MainWindow& form) {
  return OnSession(form, [](core::Session& s) { return s.state.identified; });
}

inline bool MemoHas(app::MainWindow& form, const std::string& text) {
  const app::MessageMemo& memo = *form.messageWindow();
  for (int i = memo.LineCount() - 1; i >= 0 && i >= memo.LineCount() - 20; --i) {
    if (form.messageWindow()->document()->findBlockByNumber(i).text().toStdString() == text)
      return true;
  }
  return false;
}

// Starts orvex-sim on COM1 and waits until it serves; its pid, or 0.
inline int StartSimulator(const std::filesystem::path& home, const std::string& name) {
  // The moment of each byte it reads goes to <name>.times (see format and logo).
  const auto out = home / (name + ".out");
  const std::string command = std::string(ORVEX_SIM_EXE) + " --port COM1 --byte-times " +
                              (home / (name + ".times")).string() + " > " + out.string() +
                              " 2>&1 & echo $!";
  FILE* pipe = popen(command.c_str(), "r");
  int pid = 0;
  if (pipe == nullptr || std::fscanf(pipe, "%d", &pid) != 1) return 0;
  pclose(pipe);
  for (int i = 0; i < 50 && test::ReadFile(out).find("serving") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return pid;
}

}  // namespace orvex::bench
