#include "core/formatfile/file_io.h"
#include "core/formatfile/format_file.h"

namespace orvex::core {

bool SaveFormatFile(Session& session) {
  const auto chosen = session.io.panel.ChooseSaveFile("Orvex Files(*.orx)|*.orx", "orx");
  if (!chosen) return false;
  const FormatFile file = FormatFile::FromSetup(session.setup);
  // A line break inside a value would shift every later line on loading.
  if (const auto broken = file.LineWithBreak()) {
    session.io.panel.ShowMessage("Cannot save line " + std::to_string(*broken) +
                                 " : it holds a line break.");
    return false;
  }
  // Nor would a file with a line that a load refuses load again.
  if (const auto longLine = file.LineOverLimit()) {
    session.io.panel.ShowMessage("Cannot save line " + std::to_string(*longLine) +
                                 " : it is longer than " + std::to_string(kMaxFormatLineBytes) +
                                 " bytes.");
    return false;
  }
  if (!ReplaceFile(*chosen, file.Bytes())) {
    session.io.panel.ShowMessage("Cannot create file " + *chosen);
    return false;
  }
  session.io.panel.ShowMessage("Save finished.");
  return true;
}

}  // namespace orvex::core
