#pragma once

// The program's own connection to the X server, for the few requests Qt
// does not make for it. Only for files built with SKALOMI_HAVE_XCB; xcb's
// names clash with Qt's, so this header comes after every Qt header.

#include <xcb/xcb.h>

#include <cstdint>

// The application's connection, or null when it does not run on X.
xcb_connection_t* X11Connection();

// The atom named `name`, made when the server has none yet; 0 on failure.
std::uint32_t X11Atom(xcb_connection_t* connection, const char* name);
