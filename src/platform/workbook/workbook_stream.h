#pragma once
// The "Workbook" stream of an Excel 97-2003 file (BIFF8): the workbook
// globals, then one substream per worksheet.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/workbook/sheet_content.h"

namespace orvex::platform::workbook {

// nullopt only if a record could not be laid out within its size limit.
std::optional<std::vector<std::uint8_t>> BuildWorkbookStream(
    const std::vector<SheetContent>& sheets);

}  // namespace orvex::platform::workbook
