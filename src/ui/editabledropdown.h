// An editable drop-down whose text field is only typed into: no completion
// from the list, and Enter never adds the typed text to the list nor picks
// an entry by it (Qt's combo box does both by default). Enter is reported
// as enterPressed() for the owner to decide.
#pragma once

#include <QComboBox>

namespace ostra::ui {

class EditableDropDown : public QComboBox {
    Q_OBJECT
public:
    explicit EditableDropDown(QWidget* parent = nullptr);

signals:
    // Enter (or Return) in the text field, with the text it holds.
    void enterPressed(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Whether `e` is an Enter that this box takes for itself.
    bool takeEnter(QEvent* e);
};

}  // namespace ostra::ui
