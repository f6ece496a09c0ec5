// The cue player's life as LinuxSoundPlayer leads it, with a stand-in
// player script (a real process) that writes down what it was sent and
// lingers after the end of its input as a long sound would.
#include "platform/linux/linux_sound_player.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

using ostra::LinuxSoundPlayer;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An executable shell script `name` in `dir` that runs `body` there.
QString writeScript(const QTemporaryDir& dir, const QString& name, const QString& body) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write((QStringLiteral("#!/bin/sh\ncd '%1' || exit 1\n").arg(dir.path()) + body).toUtf8());
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Files "<pid>.in" (input so far, then all of it) and "<pid>.done" once the
// input ended; then it lingers LINGER seconds.
QString writePlayer(const QTemporaryDir& dir, int lingerSeconds) {
    return writeScript(dir, QStringLiteral("player.sh"),
                       QStringLiteral("cat > $$.in\ntouch $$.done\nsleep %1\n").arg(lingerSeconds));
}

QStringList runs(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList({QStringLiteral("*.in")}, QDir::Files, QDir::Name);
}

bool alive(const QString& inFile) { return ::kill(inFile.section(QLatin1Char('.'), 0, 0).toInt(), 0) == 0; }

}  // namespace

TEST(LinuxSoundPlayer, OnePlayerTakesTheCuesUntilAQuietSpellThenTheNextCueStartsAnother) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString player = writePlayer(dir, 0);
    {
        LinuxSoundPlayer sound(player, 300);
        EXPECT_FALSE(sound.isOpen());
        sound.play(QStringLiteral("/snd/a.wav"));
        sound.play(QStringLiteral("/snd/b c.wav"));
        sound.play(QString());
        EXPECT_TRUE(sound.isOpen());
        ASSERT_TRUE(QTest::qWaitFor([&] { return runs(dir).size() == 1; }, 5000));
        const QString first = dir.filePath(runs(dir).at(0));
        // Its input ends after the quiet spell, and it ends.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !sound.isOpen(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(QString(first).replace(".in", ".done")); }, 5000));
        EXPECT_EQ(readAll(first), QByteArray("/snd/a.wav\0/snd/b c.wav\0\0", 25));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !alive(runs(dir).at(0)); }, 5000));

        sound.play(QStringLiteral("/snd/c.wav"));
        EXPECT_TRUE(sound.isOpen());
        ASSERT_TRUE(QTest::qWaitFor([&] { return runs(dir).size() == 2; }, 5000));
    }
    // Gone with the player object: no process left behind.
    for (const QString& run : runs(dir)) EXPECT_FALSE(alive(run)) << qPrintable(run);
}

TEST(LinuxSoundPlayer, APlayerStillSoundingAfterItWasLetGoIsCutOffByTheNextCue) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Lingers 30 s after its input ends: a long sound still playing.
    LinuxSoundPlayer sound(writePlayer(dir, 30), 200);
    sound.play(QStringLiteral("/snd/long.wav"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QDir(dir.path()).entryList({QStringLiteral("*.done")}).size() == 1; },
                                5000));
    const QString first = runs(dir).at(0);
    QTest::qWait(300);
    EXPECT_TRUE(alive(first));  // let go, not cut off
    sound.play(QStringLiteral("/snd/next.wav"));
    EXPECT_FALSE(alive(first));
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs(dir).size() == 2; }, 5000));
}

TEST(LinuxSoundPlayer, WithoutAPlayerProgramCuesAreSilentAndHarmless) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LinuxSoundPlayer missing(dir.filePath(QStringLiteral("ostra-cue")));
    missing.play(QStringLiteral("/snd/a.wav"));
    missing.play(QStringLiteral("/snd/a.wav"));
    EXPECT_FALSE(missing.isOpen());
    // Its default place is the executable's folder.
    EXPECT_TRUE(LinuxSoundPlayer().helperPath().endsWith(QStringLiteral("/ostra-cue")));
}

TEST(LinuxSoundPlayer, APlayerThatDiedIsReplacedAtTheNextCueWhileCuesKeepComing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Each run takes its first cue and dies at once, as a crash would.
    const QString player = writeScript(dir, QStringLiteral("dies.sh"), QStringLiteral("head -c 1 > $$.in\nexit 3\n"));
    ASSERT_FALSE(player.isEmpty());
    // A quiet spell far longer than the cues' spacing: the player is never
    // let go in between.
    LinuxSoundPlayer sound(player, 60'000);
    for (int cue = 1; cue <= 3; ++cue) {
        sound.play(QStringLiteral("/snd/dingdong.wav"));
        // Each cue starts a run of its own, which takes it.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QStringList all = runs(dir);
                return all.size() == cue && std::all_of(all.begin(), all.end(), [&](const QString& r) {
                           return readAll(dir.filePath(r)) == "/";
                       });
            },
            5000))
            << "cue " << cue << ": " << runs(dir).size() << " runs";
        // The warning's next cue comes a second later; the player has died by then.
        QTest::qWait(300);
    }

    // A player killed from outside between two cues is replaced as well.
    QTemporaryDir dir2;
    ASSERT_TRUE(dir2.isValid());
    LinuxSoundPlayer lasting(writePlayer(dir2, 0), 60'000);
    lasting.play(QStringLiteral("/snd/a.wav"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs(dir2).size() == 1; }, 5000));
    ASSERT_EQ(::kill(runs(dir2).at(0).section(QLatin1Char('.'), 0, 0).toInt(), SIGKILL), 0);
    QTest::qWait(300);
    lasting.play(QStringLiteral("/snd/b.wav"));
    EXPECT_TRUE(lasting.isOpen());
    // The cue after the death reaches a new run.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList all = runs(dir2);
            return all.size() == 2 && std::any_of(all.begin(), all.end(), [&](const QString& r) {
                       return readAll(dir2.filePath(r)) == QByteArray("/snd/b.wav\0", 11);
                   });
        },
        5000));
}
