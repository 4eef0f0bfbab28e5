#pragma once
// The report files both programs write (--json, and orvex-fleet's --csv):
// their paths are checked before anything is sent, as the write at the end
// will take them, and `-` stands for standard output.

#include <optional>
#include <string>

namespace orvex::cli {

// `--json -`: the report goes to standard output, the lines to standard error.
inline constexpr const char* kToStandardOutput = "-";

// Why a report cannot be written to `path` at the end, or nullopt.
// `option` names the option in the hint: "--json".
std::optional<std::string> ReportPathProblem(const std::string& path, const std::string& option);
// Writes the report: replaces `path` (a regular file or nothing) whole, or
// writes to standard output for `-`. False when it could not.
bool WriteReport(const std::string& path, const std::string& text);

// The local time now with its offset from UTC: "2025-01-02T03:04:05+01:00".
std::string LocalTimestamp();
// The path as a report names it: absolute, so that it means the same file
// wherever the report is read.
std::string AbsolutePath(const std::string& path);

}  // namespace orvex::cli
