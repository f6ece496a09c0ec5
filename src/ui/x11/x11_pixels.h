// The program's X connection, for pictures put straight into its windows.
#pragma once

#include <xcb/xcb.h>

namespace ostra::ui {

// The connection when the program runs on X and the server takes pixels as
// they lie in memory here (its byte order is ours); null otherwise.
xcb_connection_t* x11ConnectionForPixels();

}  // namespace ostra::ui
