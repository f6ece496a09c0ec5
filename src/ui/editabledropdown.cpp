#include "ui/editabledropdown.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ostra::ui {

EditableDropDown::EditableDropDown(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The text field gets the keys itself when it has the focus; the box
    // gets them when it has.
    lineEdit()->installEventFilter(this);
}

bool EditableDropDown::takeEnter(QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return false;
    k->accept();
    emit enterPressed(currentText());
    return true;
}

void EditableDropDown::keyPressEvent(QKeyEvent* e) {
    if (!takeEnter(e)) QComboBox::keyPressEvent(e);
}

bool EditableDropDown::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lineEdit() && takeEnter(e)) return true;
    return QComboBox::eventFilter(watched, e);
}

}  // namespace ostra::ui
