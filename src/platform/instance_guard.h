// Keeps the program to one running copy per user and executable name, and
// lets a second start hand its wish to be seen to the running copy.
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace ostra {

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    // `name` is the executable's file name; `dir` the folder for the lock
    // and the socket (empty: the user's runtime folder).
    explicit InstanceGuard(const QString& name, const QString& dir = QString(), QObject* parent = nullptr);
    ~InstanceGuard() override;

    // True when this process is now the only copy. The lock goes with the
    // process, so a crashed copy never blocks the next start.
    bool acquire();
    // Starts listening for later copies; call once the event loop will run.
    bool listen();
    // From a second copy: asks the running one to show itself. Waits up to
    // `timeoutMs` for the first copy to listen (it may be starting too).
    bool askRunningCopyToShow(int timeoutMs = 3000);

    QString lockPath() const { return lockPath_; }
    QString socketPath() const { return socketPath_; }

signals:
    void showRequested();

private:
    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    // The listening Unix socket (plain sockets: no network library needed).
    int listenFd_ = -1;
    QSocketNotifier* listenNotifier_ = nullptr;
    void acceptAll();
};

}  // namespace ostra
