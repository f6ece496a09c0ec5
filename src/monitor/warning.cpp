#include "monitor/warning.h"

namespace ostra {

void Warning::setMessage(const QString& text) {
    if (text == message_) return;
    message_ = text;
    emit messageChanged(text);
}

void Warning::setPanelColor(const QColor& c) {
    if (c == panel_) return;
    panel_ = c;
    emit panelColorChanged(c);
}

}  // namespace ostra
