// Flat picture button. Without a caption it shows only its glyph and names
// itself through its tool tip (the hint); with a caption the text stands
// beside the glyph. As a toggle it stays down after a click and comes up at
// the next one. It takes no keyboard focus unless the owner gives it a
// focus policy.
#pragma once

#include "ui/glyph.h"

#include <QAbstractButton>

namespace ostra::ui {

class SpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    // Sets the tool tip to `hint` (an empty hint leaves none).
    explicit SpeedButton(Glyph glyph, const QString& hint, QWidget* parent = nullptr);

    Glyph glyph() const { return m_glyph; }
    void setGlyph(Glyph glyph);
    QString hint() const { return toolTip(); }

    // Toggle behaviour (checkable); may be all up.
    void setToggle(bool on);
    bool isToggle() const { return isCheckable(); }

    // Optional caption beside the glyph.
    void setCaption(const QString& caption);
    QString caption() const { return text(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph m_glyph;
    bool m_hover = false;
};

}  // namespace ostra::ui
