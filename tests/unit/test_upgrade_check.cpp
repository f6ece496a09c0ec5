// The upgrade check on the fake platform: the fetch in the background, the
// version rule, the offer and its answers, the command's question, and the
// update host from the settings file.
#include "fakes.h"
#include "net/upgrade_check.h"

#include <gtest/gtest.h>

using namespace ostra;
using ostra::test::Rig;

namespace {

struct UpgradeRig : Rig {
    QString host = QStringLiteral("update.ostra.example.org");
    UpgradeCheck check{UpgradeCheck::Deps{platform, platform, platform.fakeDialogs, platform, cue, folder, host}};
    int closes = 0;
    QList<bool> autoRequests;
    UpgradeRig() {
        QObject::connect(&check, &UpgradeCheck::closeRequested, [this] { ++closes; });
        QObject::connect(&check, &UpgradeCheck::autoUpgradeRequested, [this](bool on) { autoRequests << on; });
    }
    // The server's answer arrives: the file as the download left it.
    void serve(const QByteArray& file, bool ok = true) {
        ASSERT_EQ(platform.pending.size(), 1u);
        if (ok) platform.memory[QStringLiteral("/prog/vornalk.vvv")] = file;
        auto done = platform.pending.front().done;
        platform.pending.pop_front();
        done(ok);
    }
    QStringList confirms() const {
        QStringList out;
        for (const auto& s : platform.fakeDialogs.shown)
            if (s.kind == QStringLiteral("confirm")) out << s.text;
        return out;
    }
};

}  // namespace

TEST(UpgradeCheck, FetchesInTheBackgroundAndOffersOnlyAnotherVersion) {
    struct Case {
        QByteArray file;
        bool offered;
    };
    const Case cases[] = {
        {"1.03\r\n1.04\r\n", false}, {"version 1.03\n", false}, {"1.03 beta", false},
        {"1.04\r\n", true},           {"1.3\r1.03\r", true},     {"\r\n1.03\r\n", true},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        UpgradeRig rig;
        rig.platform.fakeDialogs.answers = {Answer::No};
        rig.check.check();
        // Nothing is asked until the file is there; a second check waits for the first.
        EXPECT_TRUE(rig.platform.fakeDialogs.shown.empty());
        ASSERT_EQ(rig.platform.calls,
                  QStringList{"download http://update.ostra.example.org/vornalk/file/t_amrel_v.txt /prog/vornalk.vvv"});
        rig.check.check();
        EXPECT_EQ(rig.platform.pending.size(), 1u);
        rig.serve(c.file);
        EXPECT_EQ(rig.confirms(), c.offered ? QStringList{QString::fromLatin1(kUpgradeOffer)} : QStringList());
        EXPECT_EQ(rig.soundNames(), c.offered ? QStringList{"clicklong.wav"} : QStringList());
        EXPECT_TRUE(rig.platform.opened.isEmpty());  // No: nothing else happens
        EXPECT_EQ(rig.closes, 0);
        EXPECT_FALSE(rig.check.pending());
    }
}

TEST(UpgradeCheck, AFailedFetchComparesTheEarlierCopyAndYesOpensTheInstaller) {
    UpgradeRig rig;
    rig.platform.setIni(rig.folder, "net", "UpdateHost", QStringLiteral("127.0.0.1:8123"));
    rig.showAt(40);  // the settings, the host among them, read at the showing
    rig.host = rig.settings.updateHost;
    rig.platform.memory[QStringLiteral("/prog/vornalk.vvv")] = "1.05\n";
    rig.platform.fakeDialogs.answers = {Answer::Yes};
    rig.check.check();
    ASSERT_EQ(rig.platform.pending.size(), 1u);
    EXPECT_EQ(rig.platform.pending.front().url, QStringLiteral("http://127.0.0.1:8123/vornalk/file/t_amrel_v.txt"));
    rig.serve(QByteArray(), false);  // the server is down: the old copy counts
    EXPECT_EQ(rig.platform.opened, QStringList{"http://127.0.0.1:8123/vornalk/tamrel_up.exe"});
    EXPECT_EQ(rig.closes, 1);

    // No earlier copy and no answer: silence.
    UpgradeRig none;
    none.check.check();
    none.serve(QByteArray(), false);
    EXPECT_TRUE(none.platform.fakeDialogs.shown.empty());
    EXPECT_TRUE(none.platform.sounds.isEmpty());
}

TEST(UpgradeCheck, AMalformedUpdateHostOffersNothingWhateverAnEarlierCopySays) {
    // No installer address to hand over: no offer, so Yes can never close
    // the program with nothing opened.
    for (const QString& host : {QStringLiteral("http://update.example.org/"), QStringLiteral("bad host"),
                                QStringLiteral("example.org:99999"), QString()}) {
        SCOPED_TRACE(host.toStdString());
        UpgradeRig rig;
        rig.platform.setIni(rig.folder, "net", "UpdateHost", host);
        rig.showAt(40);
        rig.host = rig.settings.updateHost;
        ASSERT_EQ(rig.host, host);
        rig.platform.memory[QStringLiteral("/prog/vornalk.vvv")] = "1.05\n";
        rig.platform.fakeDialogs.answers = {Answer::Yes};
        int finished = 0;
        QObject::connect(&rig.check, &UpgradeCheck::finished, [&] { ++finished; });
        rig.check.check();
        EXPECT_TRUE(rig.platform.pending.empty());
        EXPECT_TRUE(rig.confirms().isEmpty());
        EXPECT_TRUE(rig.platform.sounds.isEmpty());
        EXPECT_TRUE(rig.platform.opened.isEmpty());
        EXPECT_EQ(rig.closes, 0);
        EXPECT_EQ(finished, 1);
        EXPECT_FALSE(rig.check.pending());
    }
}

TEST(UpgradeCheck, TheCommandAsksFirstAndAlwaysLeavesTheAutomaticCheckOn) {
    UpgradeRig rig;
    rig.platform.fakeDialogs.answers = {Answer::No};
    rig.check.command();
    EXPECT_EQ(rig.confirms(), QStringList{QString::fromLatin1(kUpgradeQuestion)});
    EXPECT_TRUE(rig.platform.pending.empty());  // no check
    EXPECT_EQ(rig.autoRequests, QList<bool>{true});
    EXPECT_EQ(rig.soundNames(), QStringList{"clicklong.wav"});

    rig.platform.fakeDialogs.answers = {Answer::Closed};  // anything but No goes ahead
    rig.check.command();
    EXPECT_EQ(rig.platform.pending.size(), 1u);
    EXPECT_EQ(rig.autoRequests, (QList<bool>{true, true, true}));
}
