#include "fakes.h"

#include <cstdio>

namespace orvex::test {

void FakeMemo::ReplaceLine(int index, const std::string& text) {
  if (index < 0) return;
  if (index < LineCount()) {
    lines[static_cast<std::size_t>(index)] = text;
  } else if (index == LineCount()) {
    lines.push_back(text);
  }
}

std::vector<std::string> FakeMemo::From(int index) const {
  if (index < 0 || index >= LineCount()) return {};
  return {lines.begin() + index, lines.end()};
}

std::string FakeMemo::Text() const {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

std::optional<std::string> FakePanel::ChooseOpenFile(const std::string& filter) {
  dialogFilters.push_back(filter);
  if (openAnswers.empty()) return std::nullopt;
  auto answer = openAnswers.front();
  openAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakePanel::ChooseSaveFile(const std::string& filter,
                                                     const std::string&) {
  dialogFilters.push_back(filter);
  if (saveAnswers.empty()) return std::nullopt;
  auto answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

std::string FakeClock::ShortDate(const core::CalendarDate& date) const {
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.day, date.month, date.year);
  return text;
}

std::vector<std::string> TrafficCapture::Names() const {
  std::vector<std::string> names;
  for (const core::TrafficEntry& entry : entries) {
    names.push_back((entry.direction == core::TrafficDirection::Sent ? "TX " : "RX ") + entry.name);
  }
  return names;
}

}  // namespace orvex::test
