#pragma once

#include <cstdint>
#include <span>

#include "session.h"

namespace orvex {

class ReadQueue;

// Interprets one read: stores it in the receive buffer, scans it for the
// acknowledgement byte 0x42 and runs the 24 sections in their fixed order.
// A read longer than the buffer is taken as several reads.
void ReplyDispatcher(Session& session, std::span<const std::uint8_t> read);

// Dispatches the reads that wait in the queue, oldest first, each as a read
// of its own, until none is left. Not while a read is being dispatched: a
// handler that handles events (the period report export) still works on the
// receive buffer, so the reads wait until that dispatch has returned; when it
// came from here, this call then goes on with them.
void DispatchQueuedReads(Session& session, ReadQueue& reads);

}  // namespace orvex
