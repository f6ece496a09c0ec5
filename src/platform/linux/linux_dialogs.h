// Message boxes and file dialogs with Qt.
#pragma once

#include "platform/dialogs.h"

namespace ostra {

class LinuxDialogs : public Dialogs {
public:
    void message(const QString& text) override;
    void error(const QString& text) override;
    Answer confirm(const QString& text) override;
    bool ask(const QString& text, const QString& act, const QString& cancel) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& initialDir) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& initialPath) override;
};

}  // namespace ostra
