// The platform on a Linux desktop: /proc, libcanberra, the private-profile
// module, Qt for windows and dialogs, logind over D-Bus.
#pragma once

#include "platform/meminfo.h"
#include "platform/platform.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

struct ca_context;

namespace ostra {

class QtDialogs : public Dialogs {
public:
    void message(const QString& text) override;
    void error(const QString& text) override;
    Answer confirm(const QString& text) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& initialDir) override;
    std::optional<QString> saveFile(const QString& title, const QString& initialDir) override;
};

class LinuxPlatform : public Platform {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    int memoryLoad() override;
    void playSound(const QString& path) override;
    QString profileString(const QString& file, const QString& section, const QString& key,
                          const QString& def) override;
    bool writeProfileString(const QString& file, const QString& section, const QString& key,
                            const QString& value) override;
    bool createDirectory(const QString& path) override;
    bool fileExists(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    bool shellOpen(const QString& pathOrUrl) override;
    ProcessHandle startProcess(const QString& path) override;
    bool terminateProcess(ProcessHandle handle) override;
    bool forceLogOff() override;
    bool downloadToFile(const QString& url, const QString& target) override;
    LocalTime localTime() override;
    QSize screenSize() override;
    std::unique_ptr<Timer> createTimer() override;
    void skipTaskbar(QWidget* window) override;
    void minimizeApplication() override;
    void restoreApplication() override;
    bool isApplicationMinimized() override;
    QString protectionMarkerPath() override;
    Dialogs& dialogs() override { return dialogs_; }

    // Tests and the environment may point the marker elsewhere.
    void setProtectionMarkerPath(const QString& path) { marker_ = path; }

private:
    meminfo::Reader meminfo_;
    ca_context* sound_ = nullptr;
    bool soundTried_ = false;
    QtDialogs dialogs_;
    QString marker_ = QStringLiteral("/qzx.a");
    bool minimized_ = false;
    QList<QPointer<QWidget>> hidden_;
    // Started programs: handle -> pidfd and process group.
    struct Child {
        int pidfd = -1;
        int pid = 0;
    };
    std::map<ProcessHandle, Child> children_;
    ProcessHandle nextHandle_ = 1;
};

}  // namespace ostra
