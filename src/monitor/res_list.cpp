#include "monitor/res_list.h"

#include "platform/files.h"

#include <algorithm>

namespace ostra {

namespace {
// The bytes of a line that hold its first kMaxEntryLength characters: a
// character is at most 4 bytes, and a stray byte reads as one character.
constexpr qsizetype kMaxEntryBytes = ResList::kMaxEntryLength * 4;
}  // namespace

void ResList::append(const QString& priorText, const QString& elapsedHms) {
    if (entries_.size() > 100) {
        for (int i = 0; i <= 50; ++i) {
            entries_.removeAt(i);
            emit entryRemoved(i);
        }
    }
    entries_.append(QStringLiteral("%1 [%2] DATETIME:%3").arg(priorText).arg(entries_.size()).arg(elapsedHms));
    emit entryAppended(entries_.last());
    emit changed(entries_);
}

void ResList::clear() {
    entries_.clear();
    emit replaced(entries_);
    emit changed(entries_);
}

QStringList ResList::parse(const QByteArray& bytes) {
    QStringList out;
    auto add = [&out](const QByteArray& line) {
        // A line from a damaged or foreign file is cut to a length no entry
        // ever has, so one endless line cannot fill the drop-down: at
        // kMaxEntryLength characters, never inside one.
        QString e = QString::fromLocal8Bit(line);
        qsizetype cut = 0;
        for (qsizetype chars = 0; cut < e.size() && chars < kMaxEntryLength; ++chars)
            cut += e[cut].isHighSurrogate() && cut + 1 < e.size() && e[cut + 1].isLowSurrogate() ? 2 : 1;
        e.truncate(cut);
        e.replace(QChar(0), QLatin1Char(' '));
        out << e;
    };
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            add(bytes.mid(start, std::min(i - start, kMaxEntryBytes)));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n) add(bytes.mid(start, std::min(n - start, kMaxEntryBytes)));
    return out;
}

QByteArray ResList::serialize(const QStringList& entries) {
    QByteArray out;
    for (const QString& e : entries) {
        out += e.toLocal8Bit();
        out += "\r\n";
    }
    return out;
}

bool ResList::load(Files& files, const QString& path) {
    std::optional<QByteArray> bytes = files.readFile(path, kMaxFileBytes);
    if (!bytes) return false;
    entries_ = parse(*bytes);
    emit replaced(entries_);
    emit changed(entries_);
    return true;
}

bool ResList::save(Files& files, const QString& path) const {
    return files.replaceFile(path, serialize(entries_));
}

}  // namespace ostra
