#pragma once
// The format file (".orx"): the whole ticket setup as 132 text lines in
// Windows-1252, each ended by CR LF, the last one too. No header, no version.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/formatfile/format_fields.h"
#include "core/session.h"

namespace orvex::core {

// A real format file is about 2 KB; the limits keep a wrong choice of file
// from filling the memory or a message box.
constexpr std::size_t kMaxFormatFileBytes = 64 * 1024;
constexpr std::size_t kMaxFormatLineBytes = 256;

struct FormatFile {
  // Windows-1252 bytes of each line, without the line end.
  std::vector<std::string> lines;

  // The 132 lines of the setup as it is now.
  static FormatFile FromSetup(const TicketSetup& setup);
  // Splits file bytes into lines: CR LF, a lone LF or a lone CR ends a line;
  // text after the last line end is a line of its own.
  static FormatFile Parse(std::string_view bytes);

  // Every line followed by CR LF.
  std::string Bytes() const;
  // 1-based number of the first line holding CR or LF (which would break the
  // file apart), or nullopt.
  std::optional<int> LineWithBreak() const;
  // 1-based number of the first of the 132 lines that is longer than
  // kMaxFormatLineBytes, or nullopt; lines after them are never read.
  std::optional<int> LineOverLimit() const;
};

// A format file read within the limits above, as the window's load and
// orvex-provision both take it; otherwise the message that says why not
// ("Cannot open file <name> : too large for a format file.").
struct FormatFileRead {
  std::optional<FormatFile> file;
  std::string problem;
};
FormatFileRead ReadFormatFile(const std::string& path);

// How a logo path (UTF-8) is written to its line and read back.
std::string LogoPathToLine(const std::string& path);
std::string LogoPathFromLine(const std::string& line);

// Applies the lines to the session's setup in file order, with the side
// effects of a hand edit (the decimal range check, logo acceptance and
// display). Returns the message that stopped the load, or nullopt when all
// 132 lines were applied. Does not refresh the view.
std::optional<std::string> ApplyFormatFile(Session& session, const FormatFile& file);

// "Other_Functions" > "Save  Ticket  Format  As.." and "Load  Ticket  Format".
// True when the setup went into a file, or came from one with every line
// applied: the setup is then what that file holds.
bool SaveFormatFile(Session& session);
bool LoadFormatFile(Session& session);
// The load of the file at path, as "Load  Ticket  Format" loads the file
// chosen in its dialog (orvex-tool FILE.orx).
bool LoadFormatFileAt(Session& session, const std::string& path);

}  // namespace orvex::core
