// The armed faults of the printer model: how the first reply to a command is
// lost, garbled, delayed, split, doubled or buried, and how the line dies.

#include <algorithm>
#include <utility>

#include "sim/model/printer_model.h"

namespace orvex::sim {
namespace {

// Takes one from an armed count.
bool Take(int& armed) {
  if (armed <= 0) return false;
  --armed;
  return true;
}

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

std::vector<std::uint8_t> GarbageBytes(std::uint64_t seed, int length) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(std::max(length, 0)));
  std::uint64_t state = seed;
  for (int i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(SplitMix(state)));
  return bytes;
}

void PrinterModel::HangUp(std::int64_t nowMs, int downMs) {
  ++faultLog_.hangUps;
  schedule_.Clear();
  parser_.Reset();
  logoProgress_.reset();
  firstReplyOpen_ = false;
  const std::int64_t backMs = nowMs + std::max(0, downMs);
  lineDownUntilMs_ = backMs;
  // Back on the line, the printer starts up as from power-on.
  schedule_.Add(backMs, {kAnnounce});
}

bool PrinterModel::HangsUpAt(int logoRow, std::int64_t nowMs) {
  if (!faults_.hangUpAfterLogoRow || *faults_.hangUpAfterLogoRow != logoRow) return false;
  faults_.hangUpAfterLogoRow.reset();
  HangUp(nowMs, faults_.hangUpMs);
  return true;
}

void PrinterModel::ReplyWithFaults(std::int64_t earliestMs, std::vector<std::uint8_t> bytes) {
  ++faultLog_.replies;
  const int every = std::max(1, faults_.everyNthReply);
  if (faultLog_.replies % static_cast<std::uint64_t>(every) != 0) {
    schedule_.Add(earliestMs, std::move(bytes));
    return;
  }

  if (Take(faults_.dropReplies)) {
    ++faultLog_.dropped;
    return;
  }
  if (faults_.garbageReplies > 0 && faults_.garbageLength > 0) {
    --faults_.garbageReplies;
    // The seed moves on, so the next garbled reply is different garbage.
    bytes = GarbageBytes(faults_.garbageSeed++, faults_.garbageLength);
    faultLog_.lastGarbage = bytes;
    ++faultLog_.garbled;
  }
  if (Take(faults_.maintenanceRuns)) {
    ++faultLog_.maintenanceRuns;
    std::vector<Date> progress;
    const std::vector<Date> stored = records_.Dates();
    if (!stored.empty()) progress.push_back(stored.back());
    const Date today = ClockAt(earliestMs).date;
    for (std::vector<std::uint8_t>& report : MaintenanceRun(lastEraseDate_, progress, today)) {
      schedule_.Add(earliestMs, std::move(report));
    }
  }
  if (Take(faults_.burstReplies)) {
    ++faultLog_.bursts;
    const auto length = static_cast<std::size_t>(std::max(0, faults_.burstLength));
    if (bytes.size() < length) bytes.resize(length, faults_.burstFill);
  }

  const bool twice = Take(faults_.doubledReplies);
  const std::vector<std::uint8_t> copy = twice ? bytes : std::vector<std::uint8_t>{};
  const auto splitAt = static_cast<std::size_t>(std::max(1, faults_.splitAfterBytes));
  std::int64_t endMs = 0;  // when the last part has left
  if (faults_.splitReplies > 0 && bytes.size() > splitAt) {
    --faults_.splitReplies;
    ++faultLog_.split;
    std::vector<std::uint8_t> rest(bytes.begin() + static_cast<std::ptrdiff_t>(splitAt),
                                   bytes.end());
    bytes.resize(splitAt);
    const std::int64_t firstAt = schedule_.Add(earliestMs, std::move(bytes));
    const std::size_t restSize = rest.size();
    const int gap = std::max(0, faults_.splitGapMs);
    const std::int64_t restAt =
        schedule_.Add(firstAt + WireTimeMs(splitAt) + gap, std::move(rest), gap);
    endMs = restAt + WireTimeMs(restSize);
  } else {
    const std::size_t size = bytes.size();
    endMs = schedule_.Add(earliestMs, std::move(bytes)) + WireTimeMs(size);
  }
  if (twice) {
    ++faultLog_.doubled;
    const int gap = std::max(0, faults_.doubleGapMs);
    schedule_.Add(endMs + gap, copy, gap);
  }
}

}  // namespace orvex::sim
