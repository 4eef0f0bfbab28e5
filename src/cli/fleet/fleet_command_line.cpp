#include "cli/fleet/fleet_command_line.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>

#include "cli/option_scanner.h"

namespace orvex::cli::fleet {

namespace {

struct CommandInfo {
  Command command;
  const char* name;
  const char* summary;  // for the program's help
};

constexpr std::array<CommandInfo, 8> kCommands = {{
    {Command::Read, "read", "read firmware, clock, multipliers, print status, totals"},
    {Command::Check, "check", "hold firmware, checksums and clock against expected values"},
    {Command::Records, "records", "search a period's day records, write each one's workbook"},
    {Command::TestPrint, "test-print", "print test tickets or the daily report (prints)"},
    {Command::HistoryReport, "history-report", "print the daily history report (prints)"},
    {Command::CutterTest, "cutter-test", "full or part cut (cuts the paper)"},
    {Command::DateFormat, "date-format", "set the printed date format (changes the printers)"},
    {Command::SerialNumber, "serial-number",
     "switch serial-number printing on or off (changes the printers)"},
}};

constexpr const char* kCommonOptions =
    "  --port PORT           a printer's port: COM1..COM9 as orvex-tool names them,\n"
    "                        a device path such as /dev/ttyUSB0, or a device\n"
    "                        server's address rfc2217://HOST:PORT or tcp://HOST:PORT\n"
    "                        (no authentication or encryption); once per printer\n"
    "  --wait-announcement   wait for each printer to announce itself instead of\n"
    "                        asking for its variant at once (for printers switched\n"
    "                        on after the program started)\n"
    "  --wait-online SECONDS how long to wait for each printer to be identified\n"
    "                        (default 15)\n"
    "  --json FILE           write a report of every printer to FILE (replaced\n"
    "                        only when it is a regular file); with - to standard\n"
    "                        output, and the progress to standard error\n"
    "  --csv FILE            write one row per printer with the values read, the\n"
    "                        same way; with - to standard output\n"
    "  --plain               plain lines even on a terminal\n"
    "  --help                show this text\n";

constexpr const char* kExitStatus =
    "Exit status: 0 every printer did all it was asked (and every check matched);\n"
    "1 at least one printer failed (the others were finished); 2 bad command\n"
    "line, port list, folder or report path (nothing was sent); 3 stopped by\n"
    "SIGINT or SIGTERM; 4 a --json or --csv report could not be written.\n";

const char* CommandText(Command command) {
  switch (command) {
    case Command::Read:
      return "Usage: orvex-fleet read --port PORT [--port PORT ...] [options]\n"
             "Reads from every printer named, all at once, what the window's \"Read\"\n"
             "menu reads: the firmware version and checksums (\"Firmware  Version\"), the\n"
             "date and time (\"Date  &  Time\"), the multipliers and decimal places\n"
             "(\"Data Mutiplier & Floating-point\"), the print status (\"Print  status\")\n"
             "and the summary totals (\"Summary Report\"). Nothing on the printers changes.\n"
             "\n"
             "  --only LIST           read only these: a comma-separated list of firmware,\n"
             "                        clock, multipliers, print-status and totals\n";
    case Command::Check:
      return "Usage: orvex-fleet check --port PORT [--port PORT ...] [--firmware TEXT]\n"
             "         [--checksum HEX] [--clock-tolerance MINUTES] [options]\n"
             "Reads the firmware version and checksums (\"Firmware  Version\") and the\n"
             "clock (\"Date  &  Time\") of every printer named and holds them against what\n"
             "is expected: a printer fails when one of them does not match or cannot be\n"
             "read. At least one of the three is needed. Nothing on the printers changes.\n"
             "\n"
             "  --firmware TEXT       the firmware version expected, as the window shows it\n"
             "                        (the blanks after it do not count)\n"
             "  --checksum HEX        the two checksums expected, four hexadecimal digits\n"
             "                        each, as the window shows them: 3C5AE10F or \"3C5A E10F\"\n"
             "  --clock-tolerance MINUTES\n"
             "                        the printer's clock must be within MINUTES of the\n"
             "                        PC's local time, either way (1 to 1440)\n";
    case Command::Records:
      return "Usage: orvex-fleet records --from DATE --to DATE --port PORT [--port PORT ...]\n"
             "         [--folder DIR] [options]\n"
             "Runs the record search (\"Search & Print\" of \"Record Search\") for the period\n"
             "on every printer named. Each printer prints what it selects; when it sends\n"
             "its day records they are written into a period workbook exactly as the\n"
             "window writes it, one per printer and period: PORT_FROM_TO_Orvex_Report.xls\n"
             "(COM3_2005-03-01_2005-03-31_Orvex_Report.xls). A workbook of that name is\n"
             "never replaced: the new one is saved as \"... (2).xls\". This prints on the\n"
             "printers.\n"
             "\n"
             "  --from DATE           the beginning date, YYYY-MM-DD, in 2002 to 2021\n"
             "  --to DATE             the ending date, YYYY-MM-DD, in 2002 to 2021\n"
             "  --folder DIR          where the workbooks go (default: the documents\n"
             "                        folder, as xdg-user-dir DOCUMENTS names it)\n";
    case Command::TestPrint:
      return "Usage: orvex-fleet test-print WHAT [WHAT ...] --port PORT [--port PORT ...]\n"
             "         [options]\n"
             "Has every printer named print what the window's \"Test_Print\" menu prints,\n"
             "in the order given: coin-ticket (\"Coin  Ticket\"), note-ticket\n"
             "(\"Note  Ticket\"), payout-ticket (\"Payout  Ticket\"), daily-report\n"
             "(\"Daily  Report\").\n"
             "This prints on the printers.\n";
    case Command::HistoryReport:
      return "Usage: orvex-fleet history-report --port PORT [--port PORT ...] [options]\n"
             "Has every printer named print its daily history report (\"Other_Functions\"\n"
             "> \"Print  History  Report\"). This prints on the printers.\n";
    case Command::CutterTest:
      return "Usage: orvex-fleet cutter-test full-cut|part-cut [...] --port PORT\n"
             "         [--port PORT ...] [options]\n"
             "Has every printer named cut its paper as \"Other_Functions\" > \"Cutter  Test\"\n"
             "does, in the order given: full-cut (\"Full  Cut\"), part-cut (\"Part  Cut\").\n"
             "This cuts the printers' paper.\n";
    case Command::DateFormat:
      return "Usage: orvex-fleet date-format FORMAT --port PORT [--port PORT ...] [options]\n"
             "Sets the date format the printers print, as \"Download\" > \"Date  Format\"\n"
             "does; FORMAT is YY/MM/DD, DD/MM/YY, MM/DD/YY or YY/DD/MM. This changes a\n"
             "setting of the printers.\n";
    case Command::SerialNumber:
      break;
  }
  return "Usage: orvex-fleet serial-number enable|disable --port PORT [--port PORT ...]\n"
         "         [options]\n"
         "Switches the printing of the serial number on or off, as \"Download\" >\n"
         "\"Print Serial  Number\" > \"Enable\" and \"Disable\" do. This changes a setting\n"
         "of the printers.\n";
}

std::vector<std::string_view> ValueOptions(Command command) {
  std::vector<std::string_view> options = {"--port", "--wait-online", "--json", "--csv"};
  switch (command) {
    case Command::Read:
      options.push_back("--only");
      break;
    case Command::Check:
      options.insert(options.end(), {"--firmware", "--checksum", "--clock-tolerance"});
      break;
    case Command::Records:
      options.insert(options.end(), {"--from", "--to", "--folder"});
      break;
    default:
      break;
  }
  return options;
}

std::optional<Command> CommandNamed(const std::string& word) {
  for (const CommandInfo& info : kCommands) {
    if (word == info.name) return info.command;
  }
  return std::nullopt;
}

bool IsCalendarDate(int year, int month, int day) {
  using namespace std::chrono;
  return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

// "2005-03-07"; the message says what is wrong, with the window's own words
// for a year the printer does not hold.
std::optional<core::CalendarDate> ParseDate(const std::string& text, std::string* problem) {
  const auto digits = [&text](std::size_t from, std::size_t count) {
    return cli::ParseNumberInRange(text.substr(from, count), 0, 9999);
  };
  const bool shaped = text.size() == 10 && text[4] == '-' && text[7] == '-';
  const auto year = shaped ? digits(0, 4) : std::nullopt;
  const auto month = shaped ? digits(5, 2) : std::nullopt;
  const auto day = shaped ? digits(8, 2) : std::nullopt;
  if (!year || !month || !day || !IsCalendarDate(*year, *month, *day)) {
    *problem = "a date YYYY-MM-DD";
    return std::nullopt;
  }
  if (*year < 2002 || *year > 2021) {
    *problem = "a date the printers hold: Year must be from 2002 to 2021.";
    return std::nullopt;
  }
  return core::CalendarDate{*year, *month, *day};
}

// "firmware,clock" -> the read-outs, in the menu's order.
std::optional<std::vector<Task>> ParseReadOuts(const std::string& list, std::string* unknown) {
  std::vector<Task> chosen;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = list.find(',', from);
    const std::string word = list.substr(from, comma - from);
    const auto task = ReadOutNamed(word);
    if (!task) {
      *unknown = word;
      return std::nullopt;
    }
    chosen.push_back(*task);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  std::vector<Task> ordered;
  for (Task task : ReadOuts()) {
    if (std::find(chosen.begin(), chosen.end(), task) != chosen.end()) ordered.push_back(task);
  }
  return ordered;
}

}  // namespace

const char* CommandName(Command command) {
  for (const CommandInfo& info : kCommands) {
    if (info.command == command) return info.name;
  }
  return "";
}

std::string FleetUsageText() {
  std::string text =
      "Usage: orvex-fleet COMMAND --port PORT [--port PORT ...] [options]\n"
      "Runs one of orvex-tool's printer commands on every printer named, all at\n"
      "once, with the same bytes, pauses and messages as the window's menu item.\n"
      "\n"
      "Commands:\n";
  for (const CommandInfo& info : kCommands) {
    std::string name = info.name;
    name.resize(16, ' ');
    text += "  " + name + info.summary + "\n";
  }
  text += "\nOptions of every command:\n";
  text += kCommonOptions;
  text += "  --version             show the version\n\n";
  text += "'orvex-fleet COMMAND --help' tells what a command does and its own options.\n\n";
  text += kExitStatus;
  return text;
}

std::string CommandUsageText(Command command) {
  return std::string(CommandText(command)) + "\nOptions of every command:\n" + kCommonOptions +
         "\n" + kExitStatus;
}

FleetCommandLine ParseFleetCommandLine(const std::vector<std::string>& args) {
  FleetCommandLine result;
  result.identify.probe = true;
  result.identify.silentHint =
      " (switched off, or not on since the program started: "
      "leave out --wait-announcement)";
  auto fail = [&result](const std::string& message) {
    result.action = FleetCommandLine::Action::Error;
    result.error = message;
    return result;
  };
  std::string commands;
  for (const CommandInfo& info : kCommands) {
    commands += (commands.empty() ? "" : ", ") + std::string(info.name);
  }
  if (args.empty()) return fail("no command given: " + commands);
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    result.action = FleetCommandLine::Action::Help;
    if (first == "help" && args.size() > 1) result.command = CommandNamed(args[1]);
    return result;
  }
  if (first == "--version") {
    result.action = FleetCommandLine::Action::Version;
    return result;
  }
  result.command = CommandNamed(first);
  if (!result.command) {
    return fail(first.rfind('-', 0) == 0 ? "the command comes first: " + commands
                                         : "unknown command '" + first + "': " + commands);
  }
  const Command command = *result.command;

  std::optional<std::string> only;
  std::optional<std::string> from;
  std::optional<std::string> to;
  cli::OptionScanner scanner(std::vector<std::string>(args.begin() + 1, args.end()),
                             ValueOptions(command));
  const std::vector<std::string_view> valueOptions = ValueOptions(command);
  const auto known = [&valueOptions](const std::string& name) {
    return name.empty() || name == "--help" || name == "-h" || name == "--wait-announcement" ||
           name == "--plain" ||
           std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end();
  };
  while (const auto option = scanner.Next()) {
    const std::string& name = option->name;
    const std::string& value = option->value;
    if (!known(name)) {
      return fail("unknown option '" + option->word + "' for " + CommandName(command));
    }
    if (name.empty()) {
      result.operands.push_back(value);
    } else if (name == "--help" || name == "-h") {
      result.action = FleetCommandLine::Action::Help;
      return result;
    } else if (name == "--port") {
      if (value.empty()) return fail("--port wants a port name");
      result.ports.push_back(value);
    } else if (name == "--wait-online") {
      const auto seconds = cli::ParseNumberInRange(value, 1, 3600);
      if (!seconds) return fail("--wait-online wants seconds from 1 to 3600, not '" + value + "'");
      result.identify.onlineWaitMs = *seconds * 1000;
    } else if (name == "--wait-announcement") {
      result.identify.probe = false;
    } else if (name == "--json" || name == "--csv") {
      if (value.empty()) return fail(name + " wants a file name");
      (name == "--json" ? result.jsonPath : result.csvPath) = value;
    } else if (name == "--plain") {
      result.plain = true;
    } else if (name == "--only") {
      only = value;
    } else if (name == "--firmware") {
      if (value.empty()) return fail("--firmware wants the version text");
      result.expect.firmware = value;
    } else if (name == "--checksum") {
      result.expect.checksums = ParseChecksums(value);
      if (!result.expect.checksums) {
        return fail(
            "--checksum wants the two checksums, four hexadecimal digits each "
            "(3C5AE10F or \"3C5A E10F\"), not '" +
            value + "'");
      }
    } else if (name == "--clock-tolerance") {
      result.expect.clockToleranceMinutes = cli::ParseNumberInRange(value, 1, 1440);
      if (!result.expect.clockToleranceMinutes) {
        return fail("--clock-tolerance wants minutes from 1 to 1440, not '" + value + "'");
      }
    } else if (name == "--from") {
      from = value;
    } else if (name == "--to") {
      to = value;
    } else if (name == "--folder") {
      if (value.empty()) return fail("--folder wants a folder");
      result.folder = value;
    }
  }
  if (!scanner.error().empty()) return fail(scanner.error());

  // The command's words.
  const auto noOperands = [&]() -> std::optional<std::string> {
    if (result.operands.empty()) return std::nullopt;
    return "unexpected '" + result.operands[0] + "': " + CommandName(command) +
           " takes no such word";
  };
  const auto words = [&](std::optional<Task> (*named)(const std::string&), const char* what,
                         bool one) -> std::optional<std::string> {
    if (result.operands.empty()) return std::string(CommandName(command)) + " wants " + what;
    if (one && result.operands.size() > 1) {
      return std::string(CommandName(command)) + " wants one of " + what + ", not several";
    }
    for (const std::string& word : result.operands) {
      const auto task = named(word);
      if (!task) return "unknown '" + word + "' for " + CommandName(command) + ": " + what;
      result.tasks.push_back(*task);
    }
    return std::nullopt;
  };
  std::optional<std::string> problem;
  switch (command) {
    case Command::Read:
      problem = noOperands();
      result.tasks = ReadOuts();
      if (only) {
        std::string unknown;
        const auto chosen = ParseReadOuts(*only, &unknown);
        if (!chosen) {
          return fail("--only: unknown '" + unknown +
                      "': firmware, clock, multipliers, print-status, totals");
        }
        result.tasks = *chosen;
      }
      break;
    case Command::Check:
      problem = noOperands();
      if (!result.expect.any()) {
        return fail("check wants at least one of --firmware, --checksum, --clock-tolerance");
      }
      if (result.expect.firmware || result.expect.checksums) result.tasks.push_back(Task::Firmware);
      if (result.expect.clockToleranceMinutes) result.tasks.push_back(Task::Clock);
      break;
    case Command::Records: {
      problem = noOperands();
      if (!from || !to) return fail("records wants --from DATE and --to DATE");
      std::string why;
      const auto begin = ParseDate(*from, &why);
      if (!begin) return fail("--from wants " + why + ", not '" + *from + "'");
      const auto end = ParseDate(*to, &why);
      if (!end) return fail("--to wants " + why + ", not '" + *to + "'");
      result.period = {*begin, *end};
      result.tasks = {Task::RecordSearch};
      break;
    }
    case Command::TestPrint:
      problem =
          words(TestPrintNamed, "coin-ticket, note-ticket, payout-ticket, daily-report", false);
      break;
    case Command::HistoryReport:
      problem = noOperands();
      result.tasks = {Task::HistoryReport};
      break;
    case Command::CutterTest:
      problem = words(CutterTestNamed, "full-cut, part-cut", false);
      break;
    case Command::DateFormat:
      problem = words(DateFormatNamed, "YY/MM/DD, DD/MM/YY, MM/DD/YY, YY/DD/MM", true);
      break;
    case Command::SerialNumber:
      problem = words(SerialNumberNamed, "enable, disable", true);
      break;
  }
  if (problem) return fail(*problem);
  if (result.ports.empty()) return fail("no --port given");
  if (result.jsonPath && result.jsonPath == result.csvPath) {
    return fail(*result.jsonPath == "-" ? "--json - and --csv - cannot both go to standard output"
                                        : "--json and --csv name the same file");
  }
  return result;
}

}  // namespace orvex::cli::fleet
