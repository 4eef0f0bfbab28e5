#pragma once
// Text from outside the tool (a printer's reply, line noise, a process
// name) made safe to show on a terminal, in the message window, a report or
// a log: a control character could retitle or clear the terminal of whoever
// reads it, or break a line in two.

#include <string>
#include <string_view>

namespace orvex::core {

// UTF-8 text with every control character (C0, DEL and C1) and every byte
// that is not valid UTF-8 written as \xHH; everything else is kept.
std::string EscapeControls(std::string_view utf8);

// The Windows-1252 bytes a printer sent, as UTF-8 with their control bytes
// written as \xHH (the five bytes Windows-1252 leaves undefined too: they
// stand for C1 controls).
std::string LineTextToUtf8(std::string_view cp1252);

}  // namespace orvex::core
