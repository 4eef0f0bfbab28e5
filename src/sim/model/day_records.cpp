#include "sim/model/day_records.h"

namespace orvex::sim {
namespace {

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void PutLe(std::array<std::uint8_t, 14>& out, int at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out[static_cast<size_t>(at + i)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

}  // namespace

std::array<std::uint8_t, 14> EncodeDayRecord(const DayRecord& record) {
  std::array<std::uint8_t, 14> out{};
  PutLe(out, 0, record.coinIn, 4);
  PutLe(out, 4, record.noteIn, 4);
  PutLe(out, 8, record.payout, 4);
  PutLe(out, 12, record.ticketsOut, 2);
  return out;
}

DayRecord GenerateDayRecord(std::uint64_t seed, const Date& date) {
  std::uint64_t state = SplitMix(seed ^ (static_cast<std::uint64_t>(DayIndex(date)) << 20));
  auto next = [&state](std::uint64_t range) {
    state = SplitMix(state);
    return state % range;
  };
  DayRecord record;
  // Coins and notes in whole units of the smallest coin; some days are quiet.
  record.coinIn = static_cast<std::uint32_t>(next(4000) * 5);
  record.noteIn = static_cast<std::uint32_t>(next(300) * 100);
  const std::uint64_t taken = std::uint64_t{record.coinIn} + record.noteIn;
  record.payout = static_cast<std::uint32_t>(taken == 0 ? 0 : next(taken * 9 / 10 + 1));
  record.ticketsOut = static_cast<std::uint16_t>(next(250));
  return record;
}

DayRecordStore::DayRecordStore(std::uint64_t seed, const Date& first, const Date& last) {
  for (std::int32_t day = DayIndex(first); day <= DayIndex(last); ++day) {
    records_[day] = GenerateDayRecord(seed, DateFromDayIndex(day));
  }
}

std::optional<DayRecord> DayRecordStore::Find(const Date& date) const {
  const auto it = records_.find(DayIndex(date));
  if (it == records_.end()) return std::nullopt;
  return it->second;
}

std::vector<Date> DayRecordStore::Dates() const {
  std::vector<Date> dates;
  dates.reserve(records_.size());
  for (const auto& entry : records_) dates.push_back(DateFromDayIndex(entry.first));
  return dates;
}

bool DayRecordStore::AnyBetween(const Date& first, const Date& last) const {
  const auto it = records_.lower_bound(DayIndex(first));
  return it != records_.end() && it->first <= DayIndex(last);
}

std::array<std::uint32_t, 4> DayRecordStore::Totals() const {
  std::array<std::uint32_t, 4> totals{};
  for (const auto& entry : records_) {
    totals[0] += entry.second.coinIn;
    totals[1] += entry.second.noteIn;
    totals[2] += entry.second.payout;
    totals[3] += entry.second.ticketsOut;
  }
  return totals;
}

}  // namespace orvex::sim
