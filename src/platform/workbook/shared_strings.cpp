#include "platform/workbook/shared_strings.h"

#include <algorithm>

namespace orvex::platform::workbook {

namespace {

constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::size_t kStringHeader = 3;  // character count and option flags
constexpr std::size_t kMaxBuckets = 128;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

struct Bucket {
  std::uint32_t streamPosition;
  std::uint16_t recordOffset;
};

}  // namespace

std::uint32_t SharedStrings::Add(const std::string& utf8) {
  ++references_;
  const auto [it, added] = index_.try_emplace(utf8, static_cast<std::uint32_t>(strings_.size()));
  if (added) strings_.push_back(ToBiffText(utf8).value_or(BiffText{}));
  return it->second;
}

void SharedStrings::Write(BiffStream& out) const {
  const std::size_t count = strings_.size();
  const std::size_t perBucket = std::max<std::size_t>(8, (count + kMaxBuckets - 1) / kMaxBuckets);
  std::vector<Bucket> buckets;

  std::size_t record = out.Begin(kSst);
  out.U32(references_);
  out.U32(static_cast<std::uint32_t>(count));
  auto room = [&] { return kMaxRecordData - out.DataSize(record); };

  for (std::size_t k = 0; k < count; ++k) {
    const BiffText& text = strings_[k];
    const std::size_t unitSize = text.compressed ? 1 : 2;
    // A string's header is never split, and it comes with at least its
    // first character; otherwise the string starts in the next record.
    const std::size_t firstCharacter =
        text.units.empty() ? 0 : (IsHighSurrogate(text.units[0]) ? 2 : 1);
    const std::size_t needed = kStringHeader + firstCharacter * unitSize;
    if (room() < needed) {
      out.End(record);
      record = out.Begin(kContinue);
    }
    if (k % perBucket == 0) {
      buckets.push_back({static_cast<std::uint32_t>(out.Position()),
                         static_cast<std::uint16_t>(out.Position() - record)});
    }
    const std::uint8_t flags = text.compressed ? 0 : 1;
    out.U16(static_cast<std::uint16_t>(text.units.size()));
    out.U8(flags);
    std::size_t done = 0;
    for (;;) {
      std::size_t take = std::min(room() / unitSize, text.units.size() - done);
      // Readers decode each record's part on its own: keep surrogate pairs whole.
      if (done + take < text.units.size() && take > 0 &&
          IsHighSurrogate(text.units[done + take - 1])) {
        --take;
      }
      out.Units(text.units, done, take, text.compressed);
      done += take;
      if (done == text.units.size()) break;
      // The rest goes on in a CONTINUE record that repeats the option flags.
      out.End(record);
      record = out.Begin(kContinue);
      out.U8(flags);
    }
  }
  out.End(record);

  const std::size_t ext = out.Begin(kExtSst);
  out.U16(static_cast<std::uint16_t>(perBucket));
  for (const Bucket& bucket : buckets) {
    out.U32(bucket.streamPosition);
    out.U16(bucket.recordOffset);
    out.U16(0);
  }
  out.End(ext);
}

}  // namespace orvex::platform::workbook
