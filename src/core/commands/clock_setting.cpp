#include "core/commands/clock_setting.h"

#include <array>
#include <cstdio>

#include "core/link/request_guard.h"

namespace orvex::core {

std::optional<std::string> ClockYearProblem(const LocalDateTime& now) {
  if (now.year > kLastPrinterYear) {
    return "Year must be smaller than " + std::to_string(kLastPrinterYear + 1) + ".";
  }
  if (now.year < kFirstPrinterYear) {
    return "Year must be bigger than " + std::to_string(kFirstPrinterYear - 1) + ".";
  }
  return std::nullopt;
}

void SetPrinterClock(Session& session) {
  if (!BusyOrOfflineCheck(session)) return;
  const LocalDateTime now = session.io.clock.Now();
  if (const auto problem = ClockYearProblem(now)) {
    session.Append(*problem);
    session.AppendEmpty();
    return;
  }
  session.pending.Set(Request::ClockSet);
  session.state.busy = true;

  const int yy = now.year % 100;
  char shown[64];
  std::snprintf(shown, sizeof shown, "       20%02d/%02d/%02d  %02d:%02d:%02d", yy, now.month,
                now.day, now.hour, now.minute, now.second);
  session.Append("PC date & time : ");
  session.Append(shown);

  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d", yy, now.month, now.day, now.hour,
                now.minute);
  std::array<std::uint8_t, 12> request{ESC, 0xF1};
  for (int i = 0; i < 10; ++i) request[2 + i] = static_cast<std::uint8_t>(digits[i]);
  if (!session.Send("clock setting", request, LastPause::Yes)) return;

  session.StartReplyTimeout();
}

void OnClockSetReply(Session& session) {
  session.SetTimer(TimerId::ReplyTimeout, false);
  session.Append(ClockSetAccepted(session.rx) ? "Set date & time finished ."
                                              : "Set date & time Error .");
  session.AppendEmpty();
  FinishRequest(session, Request::ClockSet);
}

}  // namespace orvex::core
