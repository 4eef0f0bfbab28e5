#include "traffic/traffic_recorder.h"

#include <utility>

namespace orvex {

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

void TrafficRecorder::BeginRead(std::span<const std::uint8_t> read) {
  if (observer_ == nullptr) return;
  const std::int64_t now = observer_->TrafficNowUs();
  openReads_.push_back(held_.size());
  held_.push_back({TrafficDirection::Read, {}, {read.begin(), read.end()}, now, now, {}});
}

void TrafficRecorder::Took(ReplySection section, std::uint8_t code) {
  if (openReads_.empty()) return;
  held_[openReads_.back()].sections.push_back({section, code});
}

void TrafficRecorder::EndRead() {
  if (openReads_.empty()) return;
  TrafficEntry& read = held_[openReads_.back()];
  openReads_.pop_back();
  read.name = ReadMeaning(read.sections);
  if (!openReads_.empty()) return;
  std::vector<TrafficEntry> ready = std::move(held_);
  held_.clear();
  if (observer_ == nullptr) return;
  for (const TrafficEntry& entry : ready) observer_->OnTraffic(entry);
}

void TrafficRecorder::Deliver(TrafficEntry entry) {
  if (!openReads_.empty()) {
    held_.push_back(std::move(entry));
    return;
  }
  observer_->OnTraffic(entry);
}

}  // namespace orvex
