#include "fakes/fake_platform.h"

#include "settings/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ostra {

namespace {
bool onDisk(const QString& path) { return QFileInfo(path).absoluteDir().exists(); }
}  // namespace

bool FakeFiles::createDirectory(const QString& path) {
    createdDirs << path;
    if (onDisk(path)) QDir().mkpath(path);
    return true;
}

bool FakeFiles::fileExists(const QString& path) {
    if (existingFiles.contains(path) || memory.contains(path)) return true;
    return QFileInfo(path).isFile();
}

bool FakeFiles::copyFile(const QString& from, const QString& to) {
    calls << QStringLiteral("copy %1 %2").arg(from, to);
    std::optional<QByteArray> data = readFile(from, 1 << 30);
    if (!data) {
        if (!existingFiles.contains(from)) return false;
        if (!existingFiles.contains(to)) existingFiles << to;
        return true;
    }
    return replaceFile(to, *data);
}

std::optional<QByteArray> FakeFiles::readFile(const QString& path, qint64 maxBytes) {
    ++reads;
    if (memory.contains(path)) return memory.value(path).left(maxBytes);
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.read(maxBytes);
}

bool FakeFiles::replaceFile(const QString& path, const QByteArray& data) {
    ++writes;
    if (failWrites) return false;
    if (writesLeft == 0) return false;
    if (writesLeft > 0) --writesLeft;
    if (!onDisk(path)) {
        memory[path] = data;
        return true;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(data) == data.size();
}

std::optional<QStringList> FakeFiles::listFolder(const QString& folder) {
    if (folders.contains(folder)) return folders.value(folder);
    QDir dir(folder);
    if (!dir.exists()) return std::nullopt;
    QStringList names = dir.entryList(QDir::Files);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

bool FakeFiles::setCurrentFolder(const QString& folder) {
    currentFolder = folder;
    return true;
}

FakePlatform::FakePlatform()
    : services_(std::make_unique<Services>(Services{*this, *this, *this, *this, *this, *this, *this, *this,
                                                     *this, fakeDialogs, processMemory, notifier, *this,
                                                     desktopEntries, processControl, userUnits, appWindows,
                                                     desktopPeers, kernelCounters, journal,
                                                     collectorFolder})) {}

FakePlatform::~FakePlatform() = default;

QByteArray FakePlatform::iniContent(const QString& folder) const {
    const QString path = folder + QStringLiteral("/tevo.ini");
    if (memory.contains(path)) return memory.value(path);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString FakePlatform::ini(const QString& folder, const char* section, const char* key) const {
    return profile::getValue(iniContent(folder), QLatin1String(section), QLatin1String(key));
}

bool FakePlatform::hasIni(const QString& folder, const char* section, const char* key) const {
    bool found = false;
    profile::getValue(iniContent(folder), QLatin1String(section), QLatin1String(key), &found);
    return found;
}

QStringList FakePlatform::iniEntries(const QString& folder) const {
    QStringList out;
    QString section;
    for (const QByteArray& raw : iniContent(folder).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            section = line.mid(1, line.size() - 2);
        else if (line.contains(QLatin1Char('=')))
            out << QStringLiteral("W %1/%2").arg(section, line);
    }
    return out;
}

void FakePlatform::setIni(const QString& folder, const char* section, const char* key, const QString& value) {
    const QString path = folder + QStringLiteral("/tevo.ini");
    const QByteArray updated =
        profile::setValue(iniContent(folder), QLatin1String(section), QLatin1String(key), value);
    if (onDisk(path)) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(updated);
    } else {
        memory[path] = updated;
    }
}

}  // namespace ostra
