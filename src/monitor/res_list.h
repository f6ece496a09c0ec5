// The RES list: the history of load changes, oldest first, with its file.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace ostra {

class Files;

class ResList : public QObject {
    Q_OBJECT
public:
    // "res.list" is read this far (some 100,000 entries), and each line this
    // far: a huge or foreign file neither hangs nor floods the program.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr qsizetype kMaxEntryLength = 256;

    using QObject::QObject;

    const QStringList& entries() const { return entries_; }
    int count() const { return entries_.size(); }
    void clear();

    // Thins a list of more than 100 entries (51 deletions at positions
    // 0..50 of the list as it shrinks, leaving every second old entry),
    // then appends "<prior> [<n>] DATETIME:<hh:nn:ss>".
    void append(const QString& priorText, const QString& elapsedHms);

    // Lines of the file (CR, LF or CR LF endings; a last line without one
    // counts); a missing or unreadable file gives false and leaves the list
    // as it was.
    bool load(Files& files, const QString& path);
    // Every entry followed by CR LF; the file is replaced atomically.
    bool save(Files& files, const QString& path) const;

    static QStringList parse(const QByteArray& bytes);
    static QByteArray serialize(const QStringList& entries);

signals:
    // After every change, with the whole list.
    void changed(const QStringList& entries);
    // A new list as a whole (loaded or emptied), before changed().
    void replaced(const QStringList& entries);
    // The steps of an append, before changed(): each deletion of the
    // thinning at the position it is made at, then the new entry.
    void entryRemoved(int index);
    void entryAppended(const QString& entry);

private:
    QStringList entries_;
};

}  // namespace ostra
