#include "ui/editabledropdown.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ostra::ui {

EditableDropDown::EditableDropDown(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // What is typed stays as typed: no completion from the list (Qt's
    // completer, destroyed after the list it completes from, also reads
    // freed memory once it has completed).
    setCompleter(nullptr);
    // Nor does leaving the field pick the entry its text names (Qt picks it
    // and reports it activated, as if chosen from the list).
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
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
