// Message boxes and file dialogs. Tests answer them through a fake.
#pragma once

#include <QString>

#include <optional>

namespace ostra {

enum class Answer { Yes, No, Closed, Ok };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Plain box: caption "Ostra", the text, one OK button.
    virtual void message(const QString& text) = 0;
    // Standard error box: caption "Ostra", error icon, OK.
    virtual void error(const QString& text) = 0;
    // Caption "Confirm", question icon, "&Yes" (default) and "&No"; Escape
    // answers No, the close box answers Closed.
    virtual Answer confirm(const QString& text) = 0;
    // A question before a step that cannot be undone: caption "Confirm",
    // warning icon, the buttons `act` and `cancel` (Escape and the close
    // box cancel, neither is the default); true only for `act`.
    virtual bool ask(const QString& text, const QString& act, const QString& cancel) = 0;
    // Open-file dialog; filter given in the "desc|pattern" form.
    virtual std::optional<QString> openFile(const QString& title, const QString& filter,
                                            const QString& initialDir) = 0;
    // Save-file dialog (asks before replacing a file); filter in the
    // "desc|pattern" form; nothing when cancelled.
    virtual std::optional<QString> saveFile(const QString& title, const QString& filter,
                                            const QString& initialPath) = 0;
};

}  // namespace ostra
