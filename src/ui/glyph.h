// The small pictures of the program's buttons, drawn as vectors so that they
// stay sharp at every size and device pixel ratio.
#pragma once

#include <QRectF>

class QPainter;

namespace ostra::ui {

enum class Glyph {
    None,
    Home,
    Info,
    Help,
    Upgrade,
    Minimize,
    Close,
    DockLeft,
    DockRight,
    Analysis,
    WarningOptions,
    ResetWarning,
    RefreshStart,
    MoveStart,
    Report,
    EditStartup,
    RunStartup,
    EditFavorite,
    RunFavorite,
    RestartTimer,
    RestartInterval,
    StopTimer,
    StartTimer,
    Decrease,
    Increase,
    Ok,
    Exit,
    LimitReset,
    // Pictures of the larger picture buttons.
    Memory,
    SoftwareTest,
};

// Paints `glyph` into `box` (used as a square centred in it). A disabled
// glyph is drawn in greys.
void paintGlyph(QPainter& p, Glyph glyph, const QRectF& box, bool enabled = true);

}  // namespace ostra::ui
