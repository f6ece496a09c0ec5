#include "monitor/warning.h"

namespace ostra {

void Warning::setMessage(const QString& text) {
    message_ = text;
    emit messageChanged(text);
}

void Warning::setPanelColor(const QColor& c) {
    panel_ = c;
    emit panelColorChanged(c);
}

}  // namespace ostra
