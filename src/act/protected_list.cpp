#include "act/protected_list.h"

#include <algorithm>
#include <initializer_list>

namespace ostra::act {

namespace {

bool named(const QByteArray& exe, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return exe == n; });
}

}  // namespace

QString protectionReason(const ProcessFacts& p, const DesktopKeepers& k, int ownPid, unsigned ownUid) {
    auto is = [&](int pid) { return pid > 0 && p.pid == pid; };
    if (p.pid == ownPid) return QString::fromLatin1(kOwnReason);
    if (p.parent == ownPid) return QString::fromLatin1(kHelperReason);
    if (p.uid != ownUid) return QString::fromLatin1(kOtherUserReason);
    if (p.pid == 1) return QString::fromLatin1(kInitReason);
    if (is(k.sessionLeader)) return QString::fromLatin1(kSessionLeaderReason);
    if (is(k.displayServer) || named(p.executable, {"Xorg", "X", "Xwayland", "Xvfb", "Xephyr", "Xvnc", "Xnest"}))
        return QString::fromLatin1(kDisplayReason);
    if (is(k.windowManager)) return QString::fromLatin1(kWindowManagerReason);
    if (std::find(k.trays.begin(), k.trays.end(), p.pid) != k.trays.end()) return QString::fromLatin1(kTrayReason);
    if (is(k.sessionBus) || named(p.executable, {"dbus-daemon", "dbus-broker", "dbus-broker-launch"}))
        return QString::fromLatin1(kBusReason);
    if (named(p.executable, {"systemd"})) return QString::fromLatin1(kSystemdReason);
    if (is(k.soundServer) || named(p.executable, {"pulseaudio", "pipewire", "pipewire-pulse", "wireplumber"}))
        return QString::fromLatin1(kSoundReason);
    return {};
}

QString ProtectedList::reason(const Target& target) {
    const DesktopKeepers keepers = peers_.keepers();
    const int own = control_.ownPid();
    const unsigned uid = control_.ownUid();
    bool running = false;
    for (const ProcessRef& ref : target.processes) {
        const std::optional<ProcessFacts> f = control_.facts(ref.pid);
        if (!f || f->startTime != ref.startTime || f->state == 'Z' || f->state == 'X') continue;
        running = true;
        const QString why = protectionReason(*f, keepers, own, uid);
        if (!why.isEmpty()) return why;
    }
    return running ? QString() : QString::fromLatin1(kEndedReason);
}

}  // namespace ostra::act
