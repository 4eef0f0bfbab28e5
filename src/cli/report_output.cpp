#include "cli/report_output.h"

#include <ctime>
#include <filesystem>
#include <iostream>

#include "core/formatfile/file_io.h"

namespace orvex::cli {

std::optional<std::string> ReportPathProblem(const std::string& path, const std::string& option) {
  if (path == kToStandardOutput) return std::nullopt;
  const auto why = core::ReplaceFileProblem(path);
  if (!why) return std::nullopt;
  std::string text = "cannot write the report to " + path + ": " + *why;
  if (*why == "it is not a regular file" || *why == "it is where standard output goes") {
    text += " (" + option + " - writes the report to standard output)";
  }
  return text;
}

bool WriteReport(const std::string& path, const std::string& text) {
  if (path != kToStandardOutput) return core::ReplaceFile(path, text);
  std::cout << text << std::flush;
  return static_cast<bool>(std::cout);
}

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  // %z gives +0100; the report's readers want ISO 8601's +01:00.
  std::string stamp = text;
  if (stamp.size() < 5) return stamp;
  const std::size_t minutes = stamp.size() - 2;
  return stamp.substr(0, minutes) + ":" + stamp.substr(minutes);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const auto absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

}  // namespace orvex::cli
