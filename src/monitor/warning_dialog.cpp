#include "monitor/warning_dialog.h"

#include "monitor/warning.h"
#include "ui/artwork.h"
#include "ui/shape.h"
#include "ui/speedbutton.h"

#include <QKeyEvent>
#include <QLabel>

namespace ostra {

WarningDialog::WarningDialog(Warning& warning, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool), warning_(warning) {
    setObjectName(QStringLiteral("TWarn1"));
    setWindowTitle(QStringLiteral("Ostra"));
    setFixedSize(387, 137);
    auto* back = new ui::Shape(ui::Shape::Form::Rectangle, this);
    back->setObjectName(QStringLiteral("Shape1"));
    back->setGeometry(0, 0, 387, 137);
    back->setBrushColor(QColor(0, 125, 251));
    back->setPenColor(QColor(0, 125, 251));
    auto* shadow = new ui::Shape(ui::Shape::Form::Rectangle, this);
    shadow->setObjectName(QStringLiteral("Shape3"));
    shadow->setGeometry(44, 19, 314, 72);
    shadow->setBrushColor(QColor(192, 192, 192));
    shadow->setPenColor(QColor(192, 192, 192));
    panel_ = new ui::Shape(ui::Shape::Form::Rectangle, this);
    panel_->setObjectName(QStringLiteral("Shape2"));
    panel_->setGeometry(40, 12, 313, 74);
    panel_->setBrushColor(warning_.panelColor());
    panel_->setPenColor(ui::kBlack);
    message_ = new QLabel(warning_.message(), this);
    message_->setObjectName(QStringLiteral("Label1"));
    message_->setGeometry(48, 18, 305, 65);
    message_->setWordWrap(true);
    QFont f = message_->font();
    f.setPixelSize(13);
    f.setBold(true);
    message_->setFont(f);
    QPalette pal = message_->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    message_->setPalette(pal);

    auto* reset =
        new ui::SpeedButton(ui::Glyph::LimitReset, QStringLiteral("Resource Emergency Warning Option"), this);
    reset->setObjectName(QStringLiteral("RxSpeedButton13"));
    reset->setCaption(QStringLiteral("Limit Reset"));
    reset->setGeometry(42, 96, 100, 33);
    ok_ = new ui::SpeedButton(ui::Glyph::Ok, QString(), this);
    ok_->setObjectName(QStringLiteral("BitBtn1"));
    ok_->setCaption(QStringLiteral("OK"));
    ok_->setGeometry(148, 96, 99, 33);
    ok_->setFocusPolicy(Qt::StrongFocus);
    auto* exit = new ui::SpeedButton(ui::Glyph::Exit, QStringLiteral("Resource Emergency Warning Option"), this);
    exit->setObjectName(QStringLiteral("RxSpeedButton1"));
    exit->setCaption(QStringLiteral("Exit Program"));
    exit->setGeometry(253, 95, 100, 34);
    connect(ok_, &QAbstractButton::clicked, this, [this] {
        emit okClicked();
        close();
    });
    connect(reset, &QAbstractButton::clicked, this, &WarningDialog::limitResetClicked);
    connect(exit, &QAbstractButton::clicked, this, &WarningDialog::exitClicked);
    connect(&warning_, &Warning::messageChanged, message_, &QLabel::setText);
    connect(&warning_, &Warning::panelColorChanged, panel_, &ui::Shape::setBrushColor);
}

QString WarningDialog::message() const { return message_->text(); }
QColor WarningDialog::panelColor() const { return panel_->brushColor(); }

void WarningDialog::showEvent(QShowEvent* e) {
    warning_.setShown(true);
    QDialog::showEvent(e);
}

void WarningDialog::hideEvent(QHideEvent* e) {
    warning_.setShown(false);
    QDialog::hideEvent(e);
}

void WarningDialog::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape:
        e->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
            e->accept();
            ok_->click();
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(e);
}

void WarningDialog::present(bool modal) {
    ui::centreOnScreen(this);
    ok_->setFocus();
    if (!modal) {
        show();
        raise();
        return;
    }
    exec();
}

}  // namespace ostra
