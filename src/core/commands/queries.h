#pragma once
// The "Read" menu: five queries and the decoding of their replies.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"

namespace orvex::core {

// The replies as their sections take them from fixed positions of the
// receive buffer. The sections write their lines from these; orvex-provision
// compares them with what it sent, orvex-fleet reports and checks them.
struct FirmwareReply {
  std::string version;    // UTF-8, control bytes shown as \xHH
  std::string checksum1;  // four hexadecimal digits, bytes 15 and 16
  std::string checksum2;  // bytes 17 and 18
};
FirmwareReply DecodeFirmwareReply(const ReceiveBuffer& rx);

struct DateTimeReply {
  bool readError = false;  // byte 0 is 0
  // Year within the century, month, day, hour, minute, second: the
  // printer's two characters each, as sent (normally digits; a control
  // byte shown as \xHH).
  std::array<std::string, 6> fields;
};
DateTimeReply DecodeDateTimeReply(const ReceiveBuffer& rx);

struct MultiplierReply {
  std::uint16_t coin = 0;
  std::uint16_t note = 0;
  std::uint16_t payout = 0;
  std::uint8_t decimals = 0;
  bool operator==(const MultiplierReply&) const = default;
};
MultiplierReply DecodeMultiplierReply(const ReceiveBuffer& rx);
// What a multiplier request carries, in the same terms (request bytes as
// EncodeMultiplierRequest builds them).
MultiplierReply MultipliersInRequest(const std::vector<std::uint8_t>& request);

struct PrintStatusReply {
  std::uint8_t byte = 0;
  bool coin = false;          // bit 0
  bool note = false;          // bit 1
  bool payout = false;        // bit 2
  int dateFormat = 0;         // bits 3 and 4: 0 YY/MM/DD, 1 DD/MM/YY, 2 MM/DD/YY, 3 YY/DD/MM
  bool symbol = false;        // bit 5
  bool recordSearch = false;  // bit 6
};
PrintStatusReply DecodePrintStatus(std::uint8_t status);
// The bits that the print-status setting sends; the date format bits are
// the printer's own.
constexpr std::uint8_t kPrintStatusSettingBits = 0x67;

struct SummaryReply {
  std::uint32_t coin = 0;
  std::uint32_t note = 0;
  std::uint32_t payout = 0;
  std::uint32_t ticketsOut = 0;
};
SummaryReply DecodeSummaryReply(const ReceiveBuffer& rx);

void ReadFirmwareVersion(Session& session);
void ReadPrinterClock(Session& session);
void ReadMultipliers(Session& session);
void ReadPrintStatus(Session& session);
void ReadSummaryTotals(Session& session);

// Reply sections, run by the dispatcher while their flag is set.
void OnFirmwareReply(Session& session);
void OnDateTimeReply(Session& session);
void OnMultiplierReply(Session& session);
void OnPrintStatusReply(Session& session);
void OnSummaryReply(Session& session);

}  // namespace orvex::core
