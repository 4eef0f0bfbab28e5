#pragma once
// One session with the printer: the connection state, the pending-request
// flags, the receive buffer and the ticket setup, and the ports through which
// every command and the reply dispatcher reach the outside.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "core/link/connection_state.h"
#include "core/ports.h"
#include "core/records/spreadsheet.h"
#include "core/setup/setup_view.h"
#include "core/setup/ticket_setup.h"
#include "core/traffic/traffic_recorder.h"

namespace orvex::core {

struct Ports {
  MessageWindow& memo;
  LinkPort& link;
  TimerPort& timers;
  PanelPort& panel;
  ClockPort& clock;
  EventPump& events;
  SetupView& view;
  Spreadsheet& spreadsheet;
  PreviewPort& preview;
};

// Whether a request is followed by a pause after its last byte.
enum class LastPause { No, Yes };

class Session {
 public:
  // io.link is the traffic recorder in front of ports.link.
  explicit Session(const Ports& ports);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Names every request and read for the traffic observer, if one is set.
  TrafficRecorder traffic;
  Ports io;
  ConnectionState state;
  PendingRequest pending;
  ReceiveBuffer rx;
  TicketSetup setup;
  int progressLine = 0;
  bool batchRunning = false;  // Download All is under way
  bool exporting = false;     // a period report export is under way (it handles events)
  StuckWatchCounts watch;

  // Counters for callers that run commands without a window (the batch's
  // step results, orvex-provision): every byte written to the printer, and
  // every request that its reply section completed (not the reply timeout,
  // not Cancel).
  std::uint64_t bytesSent = 0;
  std::uint64_t requestsAnswered = 0;

  // The spreadsheet application of the period report; empty until the
  // first export.
  SpreadsheetApp spreadsheetApp;

  void Append(const std::string& text) { io.memo.AppendLine(text); }
  void AppendEmpty() { io.memo.AppendLine(std::string()); }

  // One request, named for the traffic log by what sends it ("firmware
  // query"): the bytes one SendByte each, 10 ms apart. On the first byte the
  // line does not take, the request stops there: the message window says so
  // and the link counts as lost, as after a reply timeout. Returns false
  // then; the caller ends its command.
  [[nodiscard]] bool Send(std::string_view name, std::span<const std::uint8_t> bytes,
                          LastPause lastPause);
  [[nodiscard]] bool Send(std::string_view name, std::initializer_list<std::uint8_t> bytes,
                          LastPause lastPause) {
    return Send(name, std::span<const std::uint8_t>(bytes.begin(), bytes.size()), lastPause);
  }
  // One request sent in parts (the gauge moves between them): BeginRequest
  // names it, and its parts share one write deadline; then SendPart or
  // SendByte as Send writes, and EndRequest.
  void BeginRequest(std::string_view name) { traffic.BeginRequest(name); }
  [[nodiscard]] bool SendPart(std::span<const std::uint8_t> bytes, LastPause lastPause);
  [[nodiscard]] bool SendByte(std::uint8_t byte);
  void EndRequest() { traffic.EndRequest(); }

  // The reply timeout: count from 0, show it on the line that is next now.
  void StartReplyTimeout();
  void SetTimer(TimerId timer, bool enabled) { io.timers.SetTimerEnabled(timer, enabled); }
};

constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t GS = 0x1D;
constexpr int kBytePauseMs = 10;

}  // namespace orvex::core
