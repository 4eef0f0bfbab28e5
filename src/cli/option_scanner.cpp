#include "cli/option_scanner.h"

#include <algorithm>

namespace orvex::cli {

OptionScanner::OptionScanner(std::vector<std::string> args,
                             std::vector<std::string_view> valueOptions)
    : args_(std::move(args)), valueOptions_(std::move(valueOptions)) {}

std::optional<OptionScanner::Item> OptionScanner::Next() {
  if (next_ >= args_.size() || !error_.empty()) return std::nullopt;
  const std::string& word = args_[next_++];
  if (word.rfind('-', 0) != 0 || word == "-") return Item{"", word, word};
  std::string name = word;
  std::optional<std::string> inlineValue;
  const std::size_t equals = name.find('=');
  if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
    inlineValue = name.substr(equals + 1);
    name = name.substr(0, equals);
  }
  const bool takesValue =
      std::find(valueOptions_.begin(), valueOptions_.end(), name) != valueOptions_.end();
  if (!takesValue) {
    if (inlineValue) {
      error_ = name + " takes no value";
      return std::nullopt;
    }
    return Item{name, "", word};
  }
  if (inlineValue) return Item{name, *inlineValue, word};
  if (next_ >= args_.size()) {
    error_ = name + " wants a value";
    return std::nullopt;
  }
  return Item{name, args_[next_++], word};
}

std::optional<int> ParseNumberInRange(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace orvex::cli
