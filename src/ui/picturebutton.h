// Larger push button drawn as a rounded, shaded plate with a picture on the
// left and its caption beside it (the memory refresh and software test
// buttons).
#pragma once

#include "ui/glyph.h"

#include <QAbstractButton>

namespace ostra::ui {

class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(const QString& caption, QWidget* parent = nullptr);

    // The picture; Glyph::Memory (a memory chip) by default.
    void setGlyph(Glyph glyph);
    Glyph glyph() const { return m_glyph; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph m_glyph = Glyph::Memory;
    bool m_hover = false;
};

}  // namespace ostra::ui
