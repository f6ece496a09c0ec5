// The texts and gauge positions the main window shows for the figures.
// Before the first tick the labels keep their design texts.
#pragma once

#include "monitor/figures.h"

#include <QString>

namespace ostra {

struct FigureTexts {
    QString start, prior;                       // "Start Res", "Prior Res"
    QString used = QStringLiteral("20%");       // "Used Res"
    QString now = QStringLiteral("20%");        // "Now Res"
    QString free = QStringLiteral("20%");       // "Free Res"
    QString totalUsed = QStringLiteral("20%");  // "Total Used Res"
    QString sinceStart = QStringLiteral("-qq%");
    QString sincePrior = QStringLiteral("-qq%");
    QString sincePriorRun = QStringLiteral("-qq%");
};

inline FigureTexts figureTexts(const Figures& f) {
    FigureTexts t;
    if (f.shownAtStart) {
        t.start = f.startEntry ? *f.startEntry : percentText(f.startLoad);
        t.prior = percentText(f.priorShown);
    }
    if (f.sampled) {
        t.used = t.now = percentText(f.usedLoad);
        t.free = percentText(f.freePercent);
        t.totalUsed = t.sinceStart = percentText(f.riseSinceStart);
        t.sincePrior = percentText(f.riseSincePrior);
        t.sincePriorRun = percentText(f.riseSincePriorRun);
    }
    return t;
}

// A rise gauge shows only a rise: 1..100, else 0.
inline int riseGauge(int d) { return d >= 1 ? clampPercent(d) : 0; }

}  // namespace ostra
