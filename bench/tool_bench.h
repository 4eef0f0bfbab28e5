#pragma once
// For the benchmarks that run the whole tool's window: waiting while the
// window handles its events, and looking at the session on its thread.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <optional>
#include <type_traits>

#include "main_window.h"
#include "session.h"

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
auto OnSession(MainWindow& form, F look) {
  std::optional<std::invoke_result_t<F, orvex::Session&>> result;
  form.sessionThread().runAndWait([&](orvex::Session& s) { result.emplace(look(s)); });
  return *result;
}

inline bool Identified(MainWindow& form) {
  return OnSession(form, [](orvex::Session& s) { return s.state.identified; });
}

}  // namespace orvex::bench
