#include "platform/fake/fake_platform.h"

#include <algorithm>

namespace ostra {

namespace {
QString profileKey(const QString& section, const QString& key) {
    return section.toLower() + QLatin1Char('/') + key.toLower();
}
}  // namespace

void FakeDialogs::message(const QString& text) {
    shown.push_back({QStringLiteral("message"), text});
    if (onShow) onShow();
}

void FakeDialogs::error(const QString& text) {
    shown.push_back({QStringLiteral("error"), text});
    if (onShow) onShow();
}

Answer FakeDialogs::confirm(const QString& text) {
    shown.push_back({QStringLiteral("confirm"), text});
    if (onShow) onShow();
    if (answers.empty()) return Answer::Yes;
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<QString> FakeDialogs::nextFileAnswer() {
    std::optional<QString> a;
    if (!fileAnswers.empty()) {
        a.swap(fileAnswers.front());
        fileAnswers.pop_front();
    }
    return a;
}

std::optional<QString> FakeDialogs::openFile(const QString& title, const QString&, const QString&) {
    shown.push_back({QStringLiteral("open"), title});
    return nextFileAnswer();
}

std::optional<QString> FakeDialogs::saveFile(const QString& title, const QString&) {
    shown.push_back({QStringLiteral("save"), title});
    return nextFileAnswer();
}

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform() {
    for (FakeTimer* t : timers) t->detach();
}

int FakePlatform::memoryLoad() {
    ++loadReads;
    int v = loads.front();
    if (loads.size() > 1) loads.pop_front();
    return v;
}

void FakePlatform::playSound(const QString& path) { sounds << path; }

QString FakePlatform::profileString(const QString&, const QString& section, const QString& key,
                                    const QString& def) {
    profileLog << QStringLiteral("R %1/%2").arg(section, key);
    return profile.value(profileKey(section, key), def);
}

bool FakePlatform::writeProfileString(const QString&, const QString& section, const QString& key,
                                      const QString& value) {
    if (failWrites) return false;
    profileLog << QStringLiteral("W %1/%2=%3").arg(section, key, value);
    profile[profileKey(section, key)] = value;
    return true;
}

bool FakePlatform::createDirectory(const QString& path) {
    createdDirs << path;
    return true;
}

bool FakePlatform::fileExists(const QString& path) { return existingFiles.contains(path); }

bool FakePlatform::copyFile(const QString& from, const QString& to) {
    calls << QStringLiteral("copy %1 %2").arg(from, to);
    if (!existingFiles.contains(from)) return false;
    if (!existingFiles.contains(to)) existingFiles << to;
    return true;
}

bool FakePlatform::shellOpen(const QString& pathOrUrl) {
    opened << pathOrUrl;
    return true;
}

ProcessHandle FakePlatform::startProcess(const QString& path) {
    started << path;
    return started.size();
}

bool FakePlatform::terminateProcess(ProcessHandle handle) {
    calls << QStringLiteral("terminate %1").arg(handle);
    return handle > 0 && handle <= started.size();
}

bool FakePlatform::forceLogOff() {
    calls << QStringLiteral("logoff");
    return true;
}

bool FakePlatform::downloadToFile(const QString& url, const QString& target) {
    calls << QStringLiteral("download %1 %2").arg(url, target);
    return false;
}

LocalTime FakePlatform::localTime() { return now; }

QSize FakePlatform::screenSize() { return screen; }

std::unique_ptr<Timer> FakePlatform::createTimer() {
    auto t = std::make_unique<FakeTimer>(this);
    timers.push_back(t.get());
    return t;
}

void FakePlatform::skipTaskbar(QWidget*) { calls << QStringLiteral("skipTaskbar"); }

void FakePlatform::minimizeApplication() {
    calls << QStringLiteral("minimize");
    minimized = true;
}

void FakePlatform::restoreApplication() {
    calls << QStringLiteral("restore");
    minimized = false;
}

bool FakePlatform::isApplicationMinimized() { return minimized; }

QString FakePlatform::protectionMarkerPath() { return marker; }

void FakePlatform::advanceSeconds(int s) {
    int t = (now.secondOfDay() + s) % 86400;
    now = {t / 3600, (t / 60) % 60, t % 60};
}

FakeTimer::~FakeTimer() {
    if (owner_) {
        auto& v = owner_->timers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
}

bool FakeTimer::fire() {
    if (interval_ <= 0 || !cb_) return false;
    cb_();
    return true;
}

}  // namespace ostra
