#pragma once
// What goes over the line, named where it happens: a request by the command
// that sends it, a read by the reply sections that take it. The traffic log
// of the window and the report of a provisioning run both speak these names.

#include <cstdint>
#include <string>
#include <vector>

#include "core/link/requests.h"

namespace orvex::core {

// The sections of the reply dispatcher that can take a read, and the
// acknowledgement scan that acts on every read.
enum class ReplySection {
  RecordReport,     // 1
  VariantReply,     // 2, 3
  Announcement,     // 4, 5
  RenewalEnded,     // an announcement that ends a cut-short record renewal
  RequestReply,     // 6 to 24: the reply to a pending request
  Acknowledgement,  // a byte 0x42 that no section took the read for
};

struct TakenSection {
  ReplySection section;
  std::uint8_t code = 0;  // the report code of a record-maintenance report
  Request request{};      // whose reply, for a RequestReply
};

inline TakenSection ReplyTo(Request request) {
  return {ReplySection::RequestReply, 0, request};
}

// "firmware reply", "record-maintenance report 0x22", ...
std::string SectionName(const TakenSection& taken);
// The names of the sections, joined with " + "; "not taken" for none.
std::string ReadMeaning(const std::vector<TakenSection>& sections);

enum class TrafficDirection { Sent, Read };

// One request as it went out, or one read as the dispatcher took it.
struct TrafficEntry {
  TrafficDirection direction = TrafficDirection::Sent;
  // The request's name, or the read's meaning.
  std::string name;
  std::vector<std::uint8_t> bytes;
  // On the observer's clock: the first and the last byte written; for a
  // read both are the moment the dispatcher took it.
  std::int64_t firstUs = 0;
  std::int64_t lastUs = 0;
  // For a read: the sections that took it, in dispatcher order.
  std::vector<TakenSection> sections;
};

// Implemented by whoever keeps the traffic: the window's log, a test, the
// provisioning program. Called on the thread that runs the session.
class TrafficObserver {
 public:
  virtual ~TrafficObserver() = default;
  // The observer's clock in microseconds (wall clock, virtual clock, ...).
  virtual std::int64_t TrafficNowUs() = 0;
  // One entry, in the order the bytes crossed the line: a request that a
  // reply section sends comes after the read that made it send.
  virtual void OnTraffic(const TrafficEntry& entry) = 0;
};

}  // namespace orvex::core
