#include "cli/headless_ports.h"

namespace orvex::cli {

void LineList::ReplaceLine(int index, const std::string& text) {
  if (index < 0 || index > LineCount()) return;
  if (index == LineCount()) {
    lines.push_back(text);
  } else {
    lines[static_cast<std::size_t>(index)] = text;
  }
}

}  // namespace orvex::cli
