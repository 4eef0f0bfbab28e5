#pragma once
// An OLE2 compound document holding one stream, as Excel 97-2003 files are.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvex::platform::workbook {

// Writes the document to a temporary file beside `path` and, once it is
// complete and on the disk, gives it the name `path`, so a failure never
// leaves a half-written file. An existing file of that name is kept: the new
// one takes the first free name of "stem (2).ext", "stem (3).ext", ...
// (`savedAs` tells which). Returns why it failed, or nullopt on success.
std::optional<std::string> WriteCompoundFile(const std::string& path, const std::string& streamName,
                                             std::span<const std::uint8_t> data,
                                             std::string* savedAs = nullptr);

}  // namespace orvex::platform::workbook
