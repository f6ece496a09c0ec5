#include "export/exporter.h"

#include <QDir>

namespace ostra {

TextfileWriter::TextfileWriter(Deps deps) : d_(std::move(deps)) {
    if (d_.dir.isEmpty()) return;
    if (!QDir::isAbsolutePath(d_.dir)) {
        complainOnce(
            QStringLiteral("[export] TextfileDir=%1 is not an absolute folder; nothing is written").arg(d_.dir));
        return;
    }
    enabled_ = true;
    user_ = d_.folder.userName();
    name_ = textfile::fileName(user_);
}

bool TextfileWriter::due() {
    if (!enabled_) return false;
    const std::int64_t now = d_.clock.unixTime();
    // A clock set back does not hold the file up.
    return now < lastAttempt_ || now - lastAttempt_ >= kIntervalSeconds;
}

bool TextfileWriter::offer(const QByteArray& text) {
    if (!enabled_) return false;
    if (wroteOnce_ && text == written_) return true;
    if (!due()) return false;
    lastAttempt_ = d_.clock.unixTime();
    if (const std::optional<QString> failure = d_.folder.publish(d_.dir, name_, text)) {
        complainOnce(QStringLiteral("cannot write %1: %2").arg(path(), *failure));
        return false;
    }
    written_ = text;
    wroteOnce_ = true;
    complained_ = false;
    return true;
}

void TextfileWriter::finish() {
    if (!enabled_) return;
    d_.folder.withdraw(d_.dir, name_);
    enabled_ = false;
}

void TextfileWriter::complainOnce(const QString& reason) {
    if (complained_) return;
    complained_ = true;
    if (d_.complain) d_.complain(QStringLiteral("ostra: ") + reason);
}

Exporter::Exporter(Deps deps)
    : journal_(deps.journal),
      writer_(TextfileWriter::Deps{deps.folder, deps.clock, deps.textfileDir, std::move(deps.complain)}) {}

void Exporter::sampled(int load, std::optional<int> limit) {
    m_.load = load;
    m_.limit = limit;
    // The text is made only when it may be written and a figure changed.
    if (inFile_ != m_ && writer_.due() && writer_.offer(textfile::exposition(m_, writer_.user()))) inFile_ = m_;
}

bool Exporter::warning(const ExportEvent& e) {
    const bool rise = e.kind == ExportKind::WarningRise;
    bool& active = rise ? m_.riseActive : m_.limitActive;
    if (active) return false;
    active = true;
    ++(rise ? m_.riseWarnings : m_.limitWarnings);
    journal_.postAwaitingApps(e);
    return true;
}

void Exporter::warningApps(const std::vector<AppGrowth>& grown) { journal_.appsKnown(grown); }

ExportEvent Exporter::event(ExportKind kind) const {
    ExportEvent e;
    e.kind = kind;
    e.load = m_.load.value_or(0);
    e.limit = m_.limit;
    return e;
}

void Exporter::acknowledged() {
    if (!m_.limitActive && !m_.riseActive) return;
    m_.limitActive = m_.riseActive = false;
    journal_.post(event(ExportKind::Acknowledged));
}

void Exporter::warningClosed() { m_.limitActive = m_.riseActive = false; }

void Exporter::acted(ExportKind kind, const AppGrowth& app) {
    ExportEvent e = event(kind);
    e.apps.push_back(app);
    journal_.post(std::move(e));
}

void Exporter::oomKillSeen() { ++m_.oomKills; }

void Exporter::oomKillTold(std::optional<AppGrowth> app) {
    ExportEvent e = event(ExportKind::OomKill);
    if (app) e.apps.push_back(std::move(*app));
    journal_.post(std::move(e));
}

void Exporter::grown(std::vector<AppGrowth> apps) { m_.grown = std::move(apps); }

void Exporter::finish() {
    journal_.flush();
    writer_.finish();
}

}  // namespace ostra
