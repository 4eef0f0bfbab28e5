#pragma once
// Where saved reports go: the user's documents folder, wherever the program
// runs from. The program's own folder is never used: installed, it belongs
// to the system (and root could write into /usr/bin), and in a build tree a
// report would be lost among the build's files.

#include <functional>
#include <optional>
#include <string>

namespace orvex::platform::workbook {

using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The documents folder as `xdg-user-dir DOCUMENTS` names it, from
// user-dirs.dirs in the configuration folder, else $HOME/Documents; made
// when missing. Ends in '/'.
std::string DocumentsFolder(const EnvironmentLookup& environment);

// The lookup of the real process environment.
EnvironmentLookup ProcessEnvironment();

}  // namespace orvex::platform::workbook
