#pragma once
// One session with the printer: the connection state, the pending-request
// flags, the receive buffer and the ticket setup, and the ports through which
// every command and the reply dispatcher reach the outside.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "link/connection_state.h"
#include "ports.h"
#include "records/automation.h"
#include "setup/setup_view.h"
#include "setup/ticket_setup.h"

namespace orvex {

struct Ports {
  MessageWindow& memo;
  LinkPort& link;
  TimerPort& timers;
  PanelPort& panel;
  ClockPort& clock;
  EventPump& events;
  SetupView& view;
  Automation& automation;
  PreviewPort& preview;
};

// Whether a request is followed by a pause after its last byte.
enum class LastPause { No, Yes };
// Whether the bytes begin a request or go on with the one sent last.
enum class RequestPart { Begins, Continues };

class Session {
 public:
  explicit Session(const Ports& ports) : io(ports) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Ports io;
  ConnectionState state;
  PendingRequest pending;
  ReceiveBuffer rx;
  TicketSetup setup;
  int progressLine = 0;
  bool batchRunning = false;  // Download All is under way
  bool dispatching = false;   // ReplyDispatcher is handling a read
  StuckWatchCounts watch;

  // Counters for callers that run commands without a window (the batch's
  // step results, orvex-provision): every byte written to the printer, and
  // every request that its reply section completed (not the reply timeout,
  // not Cancel).
  std::uint64_t bytesSent = 0;
  std::uint64_t requestsAnswered = 0;

  // The spreadsheet application of the period report; empty until the
  // first export.
  AutoObject spreadsheetApp;

  void Append(const std::string& text) { io.memo.AppendLine(text); }
  void AppendEmpty() { io.memo.AppendLine(std::string()); }

  // Writes the bytes one SendByte each, 10 ms apart. On the first byte the
  // line does not take, the request stops there: the message window says so
  // and the link counts as lost, as after a reply timeout. Returns false
  // then; the caller ends its command.
  [[nodiscard]] bool Send(std::span<const std::uint8_t> bytes, LastPause lastPause,
                          RequestPart part = RequestPart::Begins);
  [[nodiscard]] bool Send(std::initializer_list<std::uint8_t> bytes, LastPause lastPause,
                          RequestPart part = RequestPart::Begins) {
    return Send(std::span<const std::uint8_t>(bytes.begin(), bytes.size()), lastPause, part);
  }
  // One byte of the request under way, as Send writes each.
  [[nodiscard]] bool SendByte(std::uint8_t byte);
  void BeginRequest() { io.link.BeginRequest(); }

  // The reply timeout: count from 0, show it on the line that is next now.
  void StartReplyTimeout();
  void SetTimer(TimerId timer, bool enabled) { io.timers.SetTimerEnabled(timer, enabled); }
};

constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t GS = 0x1D;
constexpr int kBytePauseMs = 10;

}  // namespace orvex
