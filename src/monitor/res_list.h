// The RES list: the history of load changes, oldest first.
#pragma once

#include <QString>
#include <QStringList>

namespace ostra {

class ResList {
public:
    const QStringList& entries() const { return entries_; }
    int count() const { return entries_.size(); }
    void clear() { entries_.clear(); }

    // Thins a list of more than 100 entries (51 deletions at positions
    // 0..50 of the list as it shrinks, leaving every second old entry),
    // then appends "<prior> [<n>] DATETIME:<hh:nn:ss>".
    void append(const QString& priorText, const QString& elapsedHms);

    // Lines of the file (CR, LF or CR LF endings); a missing or unreadable
    // file gives false and leaves the list as it was.
    bool load(const QString& path);
    // Every entry followed by CR LF; the file is replaced atomically.
    bool save(const QString& path) const;

    static QStringList parse(const QByteArray& bytes);
    static QByteArray serialize(const QStringList& entries);

private:
    QStringList entries_;
};

}  // namespace ostra
