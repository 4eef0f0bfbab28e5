#pragma once
// The requests that await a reply, and the set of those that are pending.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>

namespace orvex::core {

// In the order the reply dispatcher tests their sections (6 to 24, after the
// record reports, the variant reply and the announcement): a read may
// satisfy several, and each sees what the ones before it changed. The
// dispatcher's table of sections (link/reply_dispatcher.cpp) has one row
// per entry, in this order; a missing row does not compile.
enum class Request : std::uint8_t {
  Erase,          // 6
  ClockSet,       // 7
  Firmware,       // 8
  DateTime,       // 9
  Multiplier,     // 10
  CoinFormat,     // 11
  NoteFormat,     // 12
  PayoutFormat,   // 13
  Logo1,          // 14
  Logo2,          // 15
  Logo3,          // 16
  PrintStatus,    // 17
  Summary,        // 18
  RecordSearch,   // 19
  TestCoin,       // 20
  TestNote,       // 21
  TestPayout,     // 22
  DailyReport,    // 23
  HistoryReport,  // 24
  Count,          // not a request: how many there are
};

inline constexpr std::size_t kRequestCount = static_cast<std::size_t>(Request::Count);

constexpr std::size_t RequestIndex(Request request) {
  return static_cast<std::size_t>(request);
}
constexpr Request RequestAt(std::size_t index) {
  return static_cast<Request>(index);
}

// A logo download waits for the printer's acknowledgements; the
// communication reset gives each pending one its last.
inline constexpr std::array<Request, 3> kLogoRequests = {Request::Logo1, Request::Logo2,
                                                         Request::Logo3};

// The requests whose reply is awaited. One at a time as a rule (busy), but a
// record renewal's end can free busy while one still waits
// (link/stuck_watch.h).
class PendingRequest {
 public:
  bool Has(Request request) const { return flags_[RequestIndex(request)]; }
  void Set(Request request) { flags_[RequestIndex(request)] = true; }
  void Clear(Request request) { flags_[RequestIndex(request)] = false; }
  bool Any() const { return flags_.any(); }
  void ClearAll() { flags_.reset(); }
  friend bool operator==(const PendingRequest&, const PendingRequest&) = default;

 private:
  std::bitset<kRequestCount> flags_;
};

}  // namespace orvex::core
