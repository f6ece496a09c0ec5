// What the windows report of themselves for the logic to read: whether the
// main window counts as shown (it keeps that flag while the program is
// minimized) and whether the warning options are open.
#pragma once

namespace ostra {

struct ViewState {
    bool mainShown = false;
    bool optionsShown = false;
};

}  // namespace ostra
