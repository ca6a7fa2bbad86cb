#pragma once

#include <optional>

// Whether Esc is held down now, from the X server's key map; nothing when
// the program does not run on an X server.
std::optional<bool> X11EscapeHeld();
