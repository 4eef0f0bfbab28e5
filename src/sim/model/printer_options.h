#pragma once
// Everything that makes one simulated printer differ from another. Grouped
// by concern so that new behaviours (fault injection, say) get their own
// struct here and their own step where replies are scheduled.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/model/calendar.h"

namespace orvex::sim {

enum class Variant { Wide20, Narrow18, Silent };

// Answer to the variant query per variant; the silent printer answers nothing.
inline constexpr std::uint8_t kWideVariantReply = 0x0A;
inline constexpr std::uint8_t kNarrowVariantReply = 0x12;

// Order of the erase result and the record-maintenance run that follows an
// erase. The tool takes the first read after its erase request as the result,
// so the result goes first unless a test wants the other order.
enum class EraseOrder { ResultFirst, ReportsFirst };

struct Multipliers {
  std::uint16_t coin = 1;
  std::uint16_t note = 1;
  std::uint16_t payout = 1;
  std::uint8_t decimals = 0;
  bool operator==(const Multipliers&) const = default;
};

struct RecordRange {
  Date first;
  Date last;
};

struct PrinterTiming {
  int announceDelayMs = 150;    // PortOpened to 0x26, so the tool has set up its port
  int processingMs = 20;        // last byte of a command to its reply
  int ackDelayMs = 5;           // logo header or row to its "B"
  int printMs = 1500;           // test prints, reports, a printed record search
  int burstSpacingMs = 100;     // least distance between two bursts (> 50 ms read gap)
  int commandTimeoutMs = 2000;  // silence that drops an incomplete command; 0: never
};

// Faults of the line and of the printer's firmware, for trying how the tool
// copes. Each count says how many of the coming replies a fault takes; a
// reply is the first burst a complete command is answered with (the variant
// answer, query answers, results, logo acknowledgements), not the
// announcement nor what follows the first burst (0xAB, an erase's run).
// Several faults armed at once act on the same reply in the order below.
struct Faults {
  // Only every n-th reply is offered to the armed faults (1: every reply).
  int everyNthReply = 1;

  // The reply is not sent at all.
  int dropReplies = 0;
  // The reply is replaced by random bytes (same seed, same bytes); each
  // garbled reply moves the seed on by one.
  int garbageReplies = 0;
  int garbageLength = 8;
  std::uint64_t garbageSeed = 0x5EED;
  // A record-maintenance run (0x77 0x11, 0x22, 0x33) goes out ahead of the reply.
  int maintenanceRuns = 0;
  // The reply is followed by fill bytes up to burstLength bytes in one burst.
  int burstReplies = 0;
  int burstLength = 30000;
  std::uint8_t burstFill = 0x00;
  // The reply comes as its first splitAfterBytes bytes, a silence of
  // splitGapMs (longer than the tool's 50 ms read gap) and the rest. A reply
  // no longer than splitAfterBytes goes whole and leaves the fault armed.
  int splitReplies = 0;
  int splitAfterBytes = 1;
  int splitGapMs = 120;
  // The reply is sent a second time, doubleGapMs after the first copy ended.
  int doubledReplies = 0;
  int doubleGapMs = 150;

  // The line goes dead when this row of the next logo download has come
  // (0: its header), before it is acknowledged: nothing is answered and
  // nothing received for hangUpMs, then the printer announces itself again.
  std::optional<int> hangUpAfterLogoRow;
  int hangUpMs = 100000;
};

struct PrinterOptions {
  Variant variant = Variant::Wide20;
  bool outOfPaper = false;
  // Logo downloads: acknowledge the header and rows 1..n only, then fall
  // silent (no 0xAB either); 0 leaves even the header unacknowledged.
  std::optional<int> stopAckAfterRow;
  EraseOrder eraseOrder = EraseOrder::ResultFirst;

  std::string firmwareVersion = "ORVEX-58 V2.15 ";  // 15 characters are sent
  std::array<std::uint8_t, 2> checksum1 = {0x3C, 0x5A};
  std::array<std::uint8_t, 2> checksum2 = {0xE1, 0x0F};

  // The printer's clock shows `clock` at model time clockAtMs.
  DateTime clock = {{2015, 6, 30}, 14, 5, 9};
  std::int64_t clockAtMs = 0;

  Multipliers multipliers;
  std::uint8_t printStatus = 0x67;  // bits 0, 1, 2, 5, 6
  int dateFormat = 0;               // 0 YY/MM/DD, 1 DD/MM/YY, 2 MM/DD/YY, 3 YY/DD/MM

  // Stored day records; none when unset.
  std::optional<RecordRange> records = RecordRange{{2005, 3, 1}, {2005, 3, 31}};
  std::uint64_t seed = 1;
  Date lastEraseDate = {2005, 1, 9};
  std::string serialNumber = "100200300456";  // twelve digits
  int maxProgressReports = 10;                // 0x22 reports in one record-maintenance run
  // Longest range a search answers (the tool reads at most 30000 bytes a
  // read and 2000 days); a longer one is cut after this many days.
  int maxSearchDays = 2000;

  PrinterTiming timing;
  Faults faults;
};

}  // namespace orvex::sim
