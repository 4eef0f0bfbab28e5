#pragma once
// The user's base folders after the XDG base directory rules: a variable that
// is unset, empty or relative is ignored and the default under $HOME is used.

#include <string>

namespace orvex::platform {

// $HOME, else the user database's home, else "/".
std::string HomeFolder();
// $XDG_CONFIG_HOME, default ~/.config.
std::string ConfigHome();
// $XDG_STATE_HOME, default ~/.local/state.
std::string StateHome();

}  // namespace orvex::platform
