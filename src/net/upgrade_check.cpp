#include "net/upgrade_check.h"

#include "net/version_rule.h"
#include "platform/dialogs.h"
#include "platform/downloads.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "sound/sound_cue.h"

namespace ostra {

namespace {
// The version file is small; more than this is not a version file.
constexpr qint64 kMaxVersionFile = 64 * 1024;
}  // namespace

UpgradeCheck::UpgradeCheck(Deps deps, QObject* parent)
    : QObject(parent), d_(std::move(deps)), versionFile_(d_.programFolder + QStringLiteral("/vornalk.vvv")) {}

void UpgradeCheck::check() {
    if (pending_) return;
    const UpdateAddresses where = updateAddresses(d_.updateHost);
    if (!where.isValid()) {
        // A malformed host: no installer to hand over, so nothing to offer,
        // whatever an earlier copy of the version file says.
        emit finished();
        return;
    }
    pending_ = true;
    // The installer of the server asked, even if the settings change while
    // the file comes.
    d_.downloads.fetch(where.versionFile, versionFile_,
                       [this, installer = where.installer](bool) { compare(installer); });
}

void UpgradeCheck::compare(const QString& installer) {
    pending_ = false;
    const std::optional<QByteArray> file = d_.files.readFile(versionFile_, kMaxVersionFile);
    if (file && judgeVersionFile(*file, QString::fromLatin1(kVersionText)) == VersionVerdict::OfferUpgrade) {
        d_.cue.play("clicklong.wav");
        if (d_.dialogs.confirm(QString::fromLatin1(kUpgradeOffer)) == Answer::Yes) {
            d_.shell.open(installer);
            emit closeRequested();
        }
    }
    emit finished();
}

void UpgradeCheck::command() {
    emit autoUpgradeRequested(true);
    d_.cue.play("clicklong.wav");
    if (d_.dialogs.confirm(QString::fromLatin1(kUpgradeQuestion)) != Answer::No) {
        check();
        emit autoUpgradeRequested(true);
    }
}

}  // namespace ostra
