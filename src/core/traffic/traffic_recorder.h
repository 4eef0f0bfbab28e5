#pragma once
// Names the bytes of the session as they cross the line and hands them to
// the traffic observer: every byte the session writes goes through here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/ports.h"
#include "core/traffic/traffic.h"

namespace orvex::core {

class TrafficRecorder : public LinkPort {
 public:
  explicit TrafficRecorder(LinkPort& link) : link_(link) {}

  // nullptr (the default) records nothing; the bytes still go out.
  void SetObserver(TrafficObserver* observer) { observer_ = observer; }
  TrafficObserver* observer() const { return observer_; }
  // The link the bytes go out through.
  LinkPort& link() const { return link_; }

  // The bytes written until EndRequest are one request of this name; the
  // link begins a request too (its write deadline). A byte written outside a
  // request is recorded on its own as "unnamed byte". A byte the line does
  // not take ends the request there, recorded as cut short.
  void BeginRequest(std::string_view name);
  void EndRequest();

  // The dispatcher takes a read: the sections that act on it say Took, and
  // EndRead names it. Requests sent while a read is being taken (the variant
  // query of an announcement) are recorded after that read. framedUs is when
  // the read was framed (its last byte and the read gap), on the observer's
  // clock; without it, now.
  void BeginRead(std::span<const std::uint8_t> read,
                 std::optional<std::int64_t> framedUs = std::nullopt);
  void Took(ReplySection section, std::uint8_t code = 0) { Took(TakenSection{section, code}); }
  void Took(Request request) { Took(ReplyTo(request)); }
  void Took(const TakenSection& taken);
  void EndRead();

  // Reads framed but not yet taken: when the oldest of them was framed, on
  // the observer's clock. Entries are recorded in the order things crossed
  // the line: a request sent while an earlier read still waits to be taken
  // (the session was busy sending or pausing) is held until that read is in.
  void SetWaitingReads(std::function<std::optional<std::int64_t>()> oldestFramedUs) {
    oldestWaiting_ = std::move(oldestFramedUs);
  }
  // Delivers what no waiting read holds back any more (the waiting reads
  // were dropped, say).
  void Flush();

  // LinkPort. A request begun without a name is recorded as "unnamed request".
  void BeginRequest() override { BeginRequest("unnamed request"); }
  bool SendByte(std::uint8_t byte) override;
  void Pause(int milliseconds) override { link_.Pause(milliseconds); }

 private:
  void Deliver(TrafficEntry entry);

  LinkPort& link_;
  TrafficObserver* observer_ = nullptr;
  std::function<std::optional<std::int64_t>()> oldestWaiting_;
  std::optional<TrafficEntry> request_;
  // Entries not yet handed on: those of the reads being taken, and those
  // that a waiting read comes before. Handed on in line order.
  std::vector<TrafficEntry> held_;
  std::vector<std::size_t> openReads_;  // indexes into held_
};

}  // namespace orvex::core
