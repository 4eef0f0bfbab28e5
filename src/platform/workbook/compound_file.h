#pragma once
// An OLE2 compound document holding one stream, as Excel 97-2003 files are.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvex::workbook {

// Writes the document to a temporary file beside `path` and renames it over
// `path` only when it is complete, so a failure never leaves a half-written
// file. Returns why it failed, or nullopt on success.
std::optional<std::string> WriteCompoundFile(const std::string& path, const std::string& streamName,
                                             std::span<const std::uint8_t> data);

}  // namespace orvex::workbook
