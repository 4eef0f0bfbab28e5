#pragma once
// The printer's stored day records: what its machine took in and paid out
// each day. Generated from a seed, so a given day always holds the same
// values whatever range is asked for.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "sim/model/calendar.h"

namespace orvex::sim {

struct DayRecord {
  std::uint32_t coinIn = 0;
  std::uint32_t noteIn = 0;
  std::uint32_t payout = 0;
  std::uint16_t ticketsOut = 0;
  bool operator==(const DayRecord&) const = default;
};

// The 14 wire bytes of a day record, little-endian.
std::array<std::uint8_t, 14> EncodeDayRecord(const DayRecord& record);
DayRecord GenerateDayRecord(std::uint64_t seed, const Date& date);

class DayRecordStore {
 public:
  DayRecordStore() = default;
  // Every day from first to last (inclusive); empty when last < first.
  DayRecordStore(std::uint64_t seed, const Date& first, const Date& last);

  std::optional<DayRecord> Find(const Date& date) const;
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  std::vector<Date> Dates() const;
  // Whether any day from first to last (inclusive) is stored.
  bool AnyBetween(const Date& first, const Date& last) const;
  void Clear() { records_.clear(); }

  // Sums over all stored days, each wrapped to 32 bits as a printer counter
  // would: coin, note, payout, tickets out.
  std::array<std::uint32_t, 4> Totals() const;

 private:
  std::map<std::int32_t, DayRecord> records_;  // by DayIndex
};

}  // namespace orvex::sim
