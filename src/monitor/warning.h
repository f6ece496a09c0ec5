// The warning window's state without the window: its message, the colour
// of its blinking panel, whether it is on screen, and the requests to show
// it. The window binds to it; the monitor and the commands drive it.
#pragma once

#include "ui/colors.h"

#include <QObject>
#include <QString>

namespace ostra {

inline const char* const kLoadLimitMessage =
    "It's over the resource limit close the other useless windows for your system safety";
inline const char* const kRiseMessage =
    " The right software you executed now uses too many resorces, check it out that is some "
    "virus or bad software. Close the other useless windows.";
inline const char* const kRestMessage =
    " It's time to rest for your health.  just stand up and have some stretching movement. Keep "
    "in mind health is everything... ^^ ";

class Warning : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QString message() const { return message_; }
    void setMessage(const QString& text);
    QColor panelColor() const { return panel_; }
    void setPanelColor(const QColor& c);
    bool isShown() const { return shown_; }
    // The window reports itself shown or closed.
    void setShown(bool on) {
        if (on == shown_) return;
        shown_ = on;
        emit shownChanged(on);
    }

    void showModeless() { emit showRequested(false); }
    // Returns once the window has closed again; events (and ticks) run
    // meanwhile.
    void showModal() { emit showRequested(true); }

signals:
    void messageChanged(const QString& text);
    void panelColorChanged(const QColor& c);
    void showRequested(bool modal);
    // The window came up or closed.
    void shownChanged(bool shown);

private:
    QString message_ = QString::fromLatin1(kLoadLimitMessage);
    QColor panel_ = ui::kRed;
    bool shown_ = false;
};

}  // namespace ostra
