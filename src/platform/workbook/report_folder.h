#pragma once
// Where saved reports go: beside the program when its folder is writable, as
// a program installed for one user has it, else in the user's documents.

#include <functional>
#include <optional>
#include <string>

namespace orvex::workbook {

using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The folder of the running program file, ending in '/'; empty if unknown.
std::string ProgramFolder();

// The documents folder as `xdg-user-dir DOCUMENTS` names it, from
// user-dirs.dirs in the configuration folder, else $HOME/Documents; made
// when missing. Ends in '/'.
std::string DocumentsFolder(const EnvironmentLookup& environment);

// programFolder when it is a writable folder, else DocumentsFolder.
std::string ChooseReportFolder(const std::string& programFolder,
                               const EnvironmentLookup& environment);

// The lookup of the real process environment.
EnvironmentLookup ProcessEnvironment();

}  // namespace orvex::workbook
