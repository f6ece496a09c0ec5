// The figures of the main window by their model names, and the percentage
// helpers every subsystem shares.
#pragma once

#include <QString>

#include <optional>

namespace ostra {

// Holds a load figure within 0..100.
int clampPercent(int v);
// Number immediately followed by "%", with a minus sign when negative.
QString percentText(int v);

struct Figures {
    int nowLoad = 0;       // the load gauges (after their re-fill)
    int startLoad = 0;     // the start point
    int priorLoad = 0;     // the last different load
    int priorRunLoad = 0;  // the load when the program last closed
    // Labels, from the tick's own readings.
    int usedLoad = 0;           // "Used Res" and "Now Res"
    int freePercent = 0;        // "Free Res"
    int priorShown = 0;         // "Prior Res"
    int riseSinceStart = 0;     // may be negative
    int riseSincePrior = 0;     // may be negative
    int riseSincePriorRun = 0;  // may be negative
    // A history entry chosen as the start point is shown whole instead of
    // the start load.
    std::optional<QString> startEntry;
    bool shownAtStart = false;  // start and prior set by a showing
    bool sampled = false;       // a tick has computed the labels
    bool exceedLimitState = false;

    bool operator==(const Figures&) const = default;
};

}  // namespace ostra
