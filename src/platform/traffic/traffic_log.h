#pragma once
// The traffic log: every request and read of a session, stamped with the
// wall clock, written as one line each into the day files and, on request,
// to standard error; and handed to whoever shows them live. Sessions on
// several threads may share one log: the writer takes lines from any thread,
// and the line listener is called on the thread of the session.

#include <cstdint>
#include <functional>
#include <string>

#include "core/traffic/traffic.h"
#include "core/traffic/traffic_line.h"
#include "platform/traffic/traffic_writer.h"

namespace orvex::platform {

// A moment of the wall clock in local time.
struct LocalStamp {
  std::string day;  // "YYYY-MM-DD"
  core::TimeOfDay time;
};
LocalStamp LocalStampOf(std::int64_t unixMicroseconds);

class TrafficLog : public core::TrafficObserver {
 public:
  using LineListener = std::function<void(const std::string& line)>;

  TrafficWriter& writer() { return writer_; }
  // Starts the day files in folder (TrafficFolder() for the tool), today
  // being the local date now.
  void StartFiles(const std::string& folder, TrafficFileLimits limits = {});

  // Called with every line, on the session's thread, as it is recorded.
  void SetLineListener(LineListener listener) { listener_ = std::move(listener); }
  // The port the lines from now on belong to ("COM3"), named on each; set on
  // the session's thread as the port is taken.
  void SetPort(std::string port) { port_ = std::move(port); }

  // TrafficObserver: the wall clock, and one line per entry.
  std::int64_t TrafficNowUs() override;
  void OnTraffic(const core::TrafficEntry& entry) override;

 private:
  TrafficWriter writer_;
  LineListener listener_;
  std::string port_;
};

}  // namespace orvex::platform
