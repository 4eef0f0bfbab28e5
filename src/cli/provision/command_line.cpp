#include "cli/provision/command_line.h"

#include "cli/option_scanner.h"

namespace orvex::cli::provision {

std::string UsageText() {
  return "Usage: orvex-provision --setup FILE.orx --port PORT [--port PORT ...] [options]\n"
         "Applies a setup saved by orvex-tool (format file and the logos it names) to\n"
         "every printer named, all at once, and reads back what can be read back.\n"
         "\n"
         "  --setup FILE.orx      the format file to apply\n"
         "  --port PORT           a printer's port: COM1..COM9 as orvex-tool names them,\n"
         "                        a device path such as /dev/ttyUSB0, or a device\n"
         "                        server's address rfc2217://HOST:PORT or tcp://HOST:PORT\n"
         "                        (no authentication or encryption); once per printer\n"
         "  --erase-records       also erase the printers' stored day records (step 2\n"
         "                        of Download All); without it they are kept\n"
         "  --no-clock            leave the printers' clocks alone (step 1)\n"
         "  --probe               ask each printer for its variant at once instead of\n"
         "                        waiting for its announcement (printers already on)\n"
         "  --wait-online SECONDS how long to wait for each printer to be identified\n"
         "                        (default 15)\n"
         "  --json FILE           write a report of every printer to FILE (replaced\n"
         "                        only when it is a regular file); with - to standard\n"
         "                        output, and the progress to standard error\n"
         "  --plain               plain lines even on a terminal\n"
         "  --help                show this text\n"
         "  --version             show the version\n"
         "\n"
         "Exit status: 0 every printer set up and verified; 1 at least one printer\n"
         "failed (the others were finished); 2 bad command line, setup file, port\n"
         "list or report path (nothing was sent); 3 stopped by SIGINT or SIGTERM; 4 the\n"
         "--json report could not be written.\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  auto fail = [&result](const std::string& message) {
    result.action = CommandLine::Action::Error;
    result.error = message;
    return result;
  };
  bool setupGiven = false;
  cli::OptionScanner scanner(args, {"--setup", "--port", "--json", "--wait-online"});
  while (const auto option = scanner.Next()) {
    const std::string& name = option->name;
    const std::string& value = option->value;
    if (name == "--help" || name == "-h") {
      result.action = CommandLine::Action::Help;
      return result;
    }
    if (name == "--version") {
      result.action = CommandLine::Action::Version;
      return result;
    }
    if (name == "--setup") {
      if (setupGiven) return fail("--setup given twice");
      if (value.empty()) return fail("--setup wants a file name");
      setupGiven = true;
      result.setupPath = value;
    } else if (name == "--port") {
      if (value.empty()) return fail("--port wants a port name");
      result.ports.push_back(value);
    } else if (name == "--json") {
      if (value.empty()) return fail("--json wants a file name");
      result.jsonPath = value;
    } else if (name == "--wait-online") {
      const auto seconds = cli::ParseNumberInRange(value, 1, 3600);
      if (!seconds) return fail("--wait-online wants seconds from 1 to 3600, not '" + value + "'");
      result.settings.onlineWaitMs = *seconds * 1000;
    } else if (name == "--erase-records") {
      result.settings.eraseRecords = true;
    } else if (name == "--no-clock") {
      result.settings.setClock = false;
    } else if (name == "--probe") {
      result.settings.probe = true;
    } else if (name == "--plain") {
      result.plain = true;
    } else {
      return fail("unknown option '" + option->word + "'");
    }
  }
  if (!scanner.error().empty()) return fail(scanner.error());
  if (!setupGiven) return fail("--setup FILE.orx is missing");
  if (result.ports.empty()) return fail("no --port given");
  return result;
}

}  // namespace orvex::cli::provision
