#include "core/traffic/traffic_recorder.h"

#include <algorithm>
#include <utility>

namespace orvex::core {

void TrafficRecorder::BeginRequest(std::string_view name) {
  link_.BeginRequest();
  if (observer_ == nullptr) return;
  if (request_) EndRequest();
  request_.emplace();
  request_->direction = TrafficDirection::Sent;
  request_->name = name;
  request_->bytes.reserve(64);
}

void TrafficRecorder::EndRequest() {
  if (!request_) return;
  TrafficEntry entry = std::move(*request_);
  request_.reset();
  if (!entry.bytes.empty()) Deliver(std::move(entry));
}

bool TrafficRecorder::SendByte(std::uint8_t byte) {
  const bool taken = link_.SendByte(byte);
  if (observer_ == nullptr) return taken;
  if (!taken) {
    // What went out of the request is recorded now, before the stall is
    // reported; the rest never goes.
    if (request_) {
      request_->name += " (cut short: the line took no more bytes)";
      if (request_->bytes.empty()) request_->firstUs = request_->lastUs = observer_->TrafficNowUs();
      TrafficEntry entry = std::move(*request_);
      request_.reset();
      Deliver(std::move(entry));
    }
    return false;
  }
  const std::int64_t now = observer_->TrafficNowUs();
  if (!request_) {
    Deliver({TrafficDirection::Sent, "unnamed byte", {byte}, now, now, {}});
    return true;
  }
  if (request_->bytes.empty()) request_->firstUs = now;
  request_->lastUs = now;
  request_->bytes.push_back(byte);
  return true;
}

void TrafficRecorder::BeginRead(std::span<const std::uint8_t> read,
                                std::optional<std::int64_t> framedUs) {
  if (observer_ == nullptr) return;
  // A read is stamped when it was framed; its last time is when it is taken.
  const std::int64_t now = observer_->TrafficNowUs();
  openReads_.push_back(held_.size());
  held_.push_back(
      {TrafficDirection::Read, {}, {read.begin(), read.end()}, framedUs.value_or(now), now, {}});
}

void TrafficRecorder::Took(const TakenSection& taken) {
  if (openReads_.empty()) return;
  held_[openReads_.back()].sections.push_back(taken);
}

void TrafficRecorder::EndRead() {
  if (openReads_.empty()) return;
  TrafficEntry& read = held_[openReads_.back()];
  openReads_.pop_back();
  read.name = ReadMeaning(read.sections);
  Flush();
}

void TrafficRecorder::Flush() {
  if (!openReads_.empty() || held_.empty()) return;
  // Ordered by when each crossed the line: a request by its first byte, a
  // read by when it was framed.
  std::stable_sort(held_.begin(), held_.end(), [](const TrafficEntry& a, const TrafficEntry& b) {
    return a.firstUs < b.firstUs;
  });
  const std::optional<std::int64_t> limit =
      oldestWaiting_ ? oldestWaiting_() : std::optional<std::int64_t>();
  std::size_t ready = 0;
  while (ready < held_.size() && (!limit || held_[ready].firstUs <= *limit)) ++ready;
  if (ready == 0) return;
  std::vector<TrafficEntry> out(
      std::make_move_iterator(held_.begin()),
      std::make_move_iterator(held_.begin() + static_cast<std::ptrdiff_t>(ready)));
  held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(ready));
  if (observer_ == nullptr) return;
  for (const TrafficEntry& entry : out) observer_->OnTraffic(entry);
}

void TrafficRecorder::Deliver(TrafficEntry entry) {
  held_.push_back(std::move(entry));
  Flush();
}

}  // namespace orvex::core
