#pragma once
// The command line as both programs take it: `--name VALUE` or
// `--name=VALUE` for the options that take a value, `--name` for the others,
// and any other word as an operand (a subcommand's argument).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::cli {

class OptionScanner {
 public:
  struct Item {
    std::string name;   // "--port"; empty for an operand
    std::string value;  // the option's value, or the operand itself
    std::string word;   // the argument as given, for messages
  };

  OptionScanner(std::vector<std::string> args, std::vector<std::string_view> valueOptions);

  // The next option or operand; nullopt at the end, or at a mistake (an
  // option without its value, a value given to one that takes none), which
  // error() then names.
  std::optional<Item> Next();
  const std::string& error() const { return error_; }

 private:
  std::vector<std::string> args_;
  std::vector<std::string_view> valueOptions_;
  std::size_t next_ = 0;
  std::string error_;
};

// A whole decimal number from `low` to `high`, digits only.
std::optional<int> ParseNumberInRange(const std::string& text, int low, int high);

}  // namespace orvex::cli
