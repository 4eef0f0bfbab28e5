#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/session.h"

namespace orvex::core {

// Interprets one read: stores it in the receive buffer, scans it for the
// acknowledgement byte 0x42 and runs the 24 sections in their fixed order.
// A read longer than the buffer is taken as several reads. framedUs: when it
// was framed, for the traffic log (see TrafficRecorder::BeginRead).
//
// Not to be called while another read is being handled: a section that
// handles events (the period report export) still works on the receive
// buffer. Whoever hosts the session holds reads back until it has returned.
void ReplyDispatcher(Session& session, std::span<const std::uint8_t> read,
                     std::optional<std::int64_t> framedUs = std::nullopt);

// What the traffic log calls the read that a request's section took:
// "firmware reply".
const char* ReplyName(Request request);

}  // namespace orvex::core
