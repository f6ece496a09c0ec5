// Fakes of the roles the export uses: a journal that keeps every entry it
// is sent, and a collector folder that keeps the files it holds in memory,
// logs each call and fails as the test tells it.
#pragma once

#include "platform/collector_folder.h"
#include "platform/journal.h"

#include <QMap>
#include <QStringList>

#include <vector>

namespace ostra {

class FakeJournal : public Journal {
public:
    bool send(const JournalFields& fields) override {
        entries.push_back(fields);
        return running;
    }
    // The values of `name` in entry i, in order.
    QList<QByteArray> values(std::size_t i, const QByteArray& name) const {
        QList<QByteArray> out;
        for (const auto& [n, v] : entries.at(i)) {
            if (n == name) out << v;
        }
        return out;
    }
    QByteArray value(std::size_t i, const QByteArray& name) const {
        const QList<QByteArray> v = values(i, name);
        return v.isEmpty() ? QByteArray() : v.front();
    }
    std::vector<JournalFields> entries;
    bool running = true;
};

class FakeCollectorFolder : public CollectorFolder {
public:
    std::optional<QString> publish(const QString& folder, const QString& name, const QByteArray& data) override {
        log << QStringLiteral("publish %1/%2").arg(folder, name);
        if (failure) return failure;
        files[folder + QLatin1Char('/') + name] = data;
        return std::nullopt;
    }
    void withdraw(const QString& folder, const QString& name) override {
        log << QStringLiteral("withdraw %1/%2").arg(folder, name);
        files.remove(folder + QLatin1Char('/') + name);
    }
    QString userName() override { return user; }

    QMap<QString, QByteArray> files;
    QStringList log;
    std::optional<QString> failure;  // every publish fails with it while set
    QString user = QStringLiteral("alice");
};

}  // namespace ostra
