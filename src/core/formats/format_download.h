#pragma once
// Downloading one ticket layout with the symbol to the printer.

#include <array>
#include <cstdint>
#include <vector>

#include "core/session.h"

namespace orvex::core {

constexpr std::size_t kLineRecordSize = 26;
constexpr std::size_t kFormatRequestSize = 268;

std::array<std::uint8_t, kLineRecordSize> EncodeLineRecord(const FormatLine& line);
std::vector<std::uint8_t> EncodeFormatRequest(TicketKind kind, const TicketFormat& format,
                                              std::uint8_t symbolCode);

void DownloadCoinFormat(Session& session);
void DownloadNoteFormat(Session& session);
void DownloadPayoutFormat(Session& session);
void SendTicketFormat(Session& session, TicketKind kind);

// Dispatcher sections 11 to 13, when the read begins with 0xAA.
void OnFormatAccepted(Session& session, TicketKind kind);

}  // namespace orvex::core
