#pragma once

#include <cstdint>
#include <span>

#include "session.h"

namespace orvex {

// Interprets one read: stores it in the receive buffer, scans it for the
// acknowledgement byte 0x42 and runs the 24 sections in their fixed order.
// A read longer than the buffer is taken as several reads.
void ReplyDispatcher(Session& session, std::span<const std::uint8_t> read);

}  // namespace orvex
