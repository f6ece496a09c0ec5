// The private-profile module: reading and writing INI text with the Windows
// rules, and the settings file that a sequence reads once and replaces once,
// on real files in a temporary folder.
#include "platform/linux/linux_files.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <ostream>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace profile = ostra::profile;

// Readable failure messages for Qt strings.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
static void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << ::testing::PrintToString(b.toStdString());
}

namespace {

// One value read or written as a sequence of its own: the file read once,
// replaced once.
ostra::LinuxFiles files;

QString readString(const QString& f, const QString& section, const QString& key, const QString& def) {
    ostra::SettingsFile ini(files, f);
    ini.load();
    return ini.readString(section, key, def);
}
int readInt(const QString& f, const QString& section, const QString& key, int def) {
    ostra::SettingsFile ini(files, f);
    ini.load();
    return ini.readInt(section, key, def);
}
bool readBool(const QString& f, const QString& section, const QString& key, bool def) {
    ostra::SettingsFile ini(files, f);
    ini.load();
    return ini.readBool(section, key, def);
}
template <typename T, typename Write>
bool writeOne(const QString& f, const QString& section, const QString& key, T value, Write write) {
    ostra::SettingsFile ini(files, f);
    ini.load();
    return (ini.*write)(section, key, value) && ini.commit();
}
bool writeString(const QString& f, const QString& section, const QString& key, const QString& v) {
    return writeOne(f, section, key, v, &ostra::SettingsFile::writeString);
}
bool writeInt(const QString& f, const QString& section, const QString& key, int v) {
    return writeOne(f, section, key, v, &ostra::SettingsFile::writeInt);
}
bool writeBool(const QString& f, const QString& section, const QString& key, bool v) {
    return writeOne(f, section, key, v, &ostra::SettingsFile::writeBool);
}

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name = QStringLiteral("tevo.ini")) const {
        return dir_.filePath(name);
    }

    static void put(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    static QByteArray get(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray("<unreadable>");
        return f.readAll();
    }

    QTemporaryDir dir_;
};

QString value(const QByteArray& content, const char* section, const char* key) {
    bool found = false;
    const QString v = profile::getValue(content, QString::fromUtf8(section),
                                        QString::fromUtf8(key), &found);
    return found ? v : QStringLiteral("<missing>");
}

QByteArray set(const QByteArray& content, const char* section, const char* key,
               const QString& v) {
    return profile::setValue(content, QString::fromUtf8(section), QString::fromUtf8(key), v);
}

// ---------------------------------------------------------------- reading

TEST(ProfileRead, MatchesSectionsAndKeysWithoutRegardToAsciiCase) {
    const QByteArray ini = "[My11]\nSPINEDIT1=4\n[w]\nLeft=12\n[\xC3\x84]\nk=1\n";
    EXPECT_EQ(value(ini, "my11", "SpinEdit1"), "4");
    EXPECT_EQ(value(ini, "MY11", "spinedit1"), "4");
    EXPECT_EQ(value(ini, "W", "LEFT"), "12");
    EXPECT_EQ(value(ini, "\xC3\x84", "K"), "1");
    // Only ASCII letters fold: "ä" is not "Ä".
    EXPECT_EQ(value(ini, "\xC3\xA4", "k"), "<missing>");
}

TEST(ProfileRead, SameKeyInTwoSectionsIsTwoSettings) {
    const QByteArray ini = "[W]\ncheckbox1=1\n[x]\ncheckbox1=0\n";
    EXPECT_EQ(value(ini, "W", "checkbox1"), "1");
    EXPECT_EQ(value(ini, "x", "checkbox1"), "0");
}

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheDefault) {
    const QString f = path();
    EXPECT_EQ(readString(f, "W", "left", "def"), "def");
    EXPECT_EQ(readInt(f, "W", "left", 201), 201);
    EXPECT_TRUE(readBool(f, "x", "SoundCheck", true));
    EXPECT_FALSE(readBool(f, "W", "FFFF", false));

    put(f, "[W]\nleft=5\ntop=\n");
    EXPECT_EQ(readString(f, "x", "left", "def"), "def");
    EXPECT_EQ(readString(f, "W", "right", "def"), "def");
    EXPECT_EQ(readInt(f, "my11", "SpinEdit1", 3), 3);
    // A key with an empty value exists: the string is empty, the number is
    // the default.
    EXPECT_EQ(readString(f, "W", "top", "def"), "");
    EXPECT_EQ(readInt(f, "W", "top", 116), 116);
    EXPECT_EQ(readInt(f, "W", "left", 201), 5);

    // A folder where the file should be reads as a missing file.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.ini"));
    EXPECT_EQ(readInt(path("folder.ini"), "W", "left", 7), 7);
}

TEST(ProfileRead, BlanksAroundNamesAndValuesAreIgnored) {
    const QByteArray ini = "  [  W  ]  \n\t left \t=\t  12  \ntop=  a b  \n";
    EXPECT_EQ(value(ini, "W", "left"), "12");
    EXPECT_EQ(value(ini, "W", "top"), "a b");
    EXPECT_EQ(value(ini, "  W ", " left "), "12");
}

TEST(ProfileRead, MatchingDoubleQuotesAreRemoved) {
    const QByteArray ini = "[s]\na=\"  x y \"\nb=\"open\nc=close\"\nd=\"\ne=\"\"\nf= \"q\" \n"
                           "g=\"\"\"\"\n";
    EXPECT_EQ(value(ini, "s", "a"), "  x y ");
    EXPECT_EQ(value(ini, "s", "b"), "\"open");
    EXPECT_EQ(value(ini, "s", "c"), "close\"");
    EXPECT_EQ(value(ini, "s", "d"), "\"");
    EXPECT_EQ(value(ini, "s", "e"), "");
    EXPECT_EQ(value(ini, "s", "f"), "q");
    EXPECT_EQ(value(ini, "s", "g"), "\"\"");  // one pair only
}

TEST(ProfileRead, MatchingSingleQuotesAreRemovedToo) {
    const QByteArray ini = "[W]\nleft='5'\nb=' x '\nc='open\nd=\"mixed'\ne=''\nf='\"q\"'\ng=''''\n";
    EXPECT_EQ(value(ini, "W", "left"), "5");
    EXPECT_EQ(profile::parseInt(value(ini, "W", "left"), 9), 5);
    EXPECT_EQ(value(ini, "W", "b"), " x ");
    EXPECT_EQ(value(ini, "W", "c"), "'open");
    EXPECT_EQ(value(ini, "W", "d"), "\"mixed'");
    EXPECT_EQ(value(ini, "W", "e"), "");
    EXPECT_EQ(value(ini, "W", "f"), "\"q\"");
    EXPECT_EQ(value(ini, "W", "g"), "''");  // one pair only
}

TEST(ProfileRead, CommentsAndStrayLinesNeverMatch) {
    const QByteArray ini = "left=1\n"  // before any section: belongs to none
                           "[W]\n"
                           ";left=2\n"
                           "  # left=3\n"
                           "left\n"  // no '=': kept, not a key
                           "=4\n"
                           "[broken\n"  // no closing bracket: not a header
                           "left=5\n";
    EXPECT_EQ(value(ini, "W", "left"), "5");
    EXPECT_EQ(value(ini, "W", ";left"), "<missing>");
    EXPECT_EQ(value(ini, "W", "#left"), "<missing>");
    EXPECT_EQ(value(ini, "broken", "left"), "<missing>");
    EXPECT_EQ(value(ini, "", "left"), "<missing>");
    EXPECT_EQ(value(ini, "W", ""), "<missing>");
}

TEST(ProfileRead, FirstSectionAndFirstKeyWin) {
    const QByteArray ini = "[W]\nleft=1\nleft=2\n[x]\nleft=9\n[w]\nleft=3\ntop=4\n";
    EXPECT_EQ(value(ini, "W", "left"), "1");
    // The second "[w]" is never consulted, even for keys the first lacks.
    EXPECT_EQ(value(ini, "W", "top"), "<missing>");
}

TEST(ProfileRead, LineEndingsAndMissingFinalNewline) {
    EXPECT_EQ(value("[W]\r\nleft=1\r\ntop=2\r\n", "W", "left"), "1");
    EXPECT_EQ(value("[W]\r\nleft=1\r\ntop=2\r\n", "W", "top"), "2");
    EXPECT_EQ(value("[W]\nleft=1", "W", "left"), "1");
    EXPECT_EQ(value("[W]", "W", "left"), "<missing>");
    EXPECT_EQ(value("", "W", "left"), "<missing>");
}

TEST(ProfileRead, ValuesAreCutTo2047Characters) {
    const QString longValue(3000, QChar('7'));
    const QByteArray ini = "[s]\nk=" + longValue.toUtf8() + "\n";
    EXPECT_EQ(profile::getValue(ini, "s", "k"), QString(2047, QChar('7')));
    // Characters, not bytes: 2047 two-byte characters survive whole.
    const QString wide(2100, QChar(0xE9));
    const QByteArray ini2 = "[s]\nk=" + wide.toUtf8() + "\n";
    EXPECT_EQ(profile::getValue(ini2, "s", "k"), QString(2047, QChar(0xE9)));
}

TEST(ProfileRead, Utf8NamesAndValues) {
    const QByteArray ini = "[Gr\xC3\xBC\xC3\x9F\x65]\nSchl\xC3\xBCssel=\xE2\x82\xAC 5\n";
    EXPECT_EQ(profile::getValue(ini, QString::fromUtf8("Gr\xC3\xBC\xC3\x9F\x65"),
                                QString::fromUtf8("Schl\xC3\xBCssel")),
              QString::fromUtf8("\xE2\x82\xAC 5"));
}

// ---------------------------------------------------------------- integers

TEST(ProfileInt, ParsesDecimalAndHexAndFallsBackToTheDefault) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"0", 0},
        {"42", 42},
        {"  42\t", 42},
        {"-5", -5},
        {"+7", 7},
        {"007", 7},
        {"0x20", 32},
        {"0X1f", 31},
        {"0xABCDEF", 0xABCDEF},
        {"0x0", 0},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"0x7fffffff", INT_MAX},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(profile::parseInt(QString::fromUtf8(text), -99), expected) << text;

    const char* garbage[] = {
        "",      "   ",    "abc",        "12abc",       "1 2",         "-",
        "+",     "--5",    "0x",         "0X",          "0xg",         "0x-5",
        "0x 5",  "-0x5",   "x20",        "2147483648",  "-2147483649", "99999999999999999999",
        "0x80000000",      "0x1FFFFFFFF", "1.5",        "\xD9\xA3",  // Arabic-Indic three
    };
    for (const char* text : garbage)
        EXPECT_EQ(profile::parseInt(QString::fromUtf8(text), -99), -99) << text;
}

TEST_F(ProfileFile, NumbersAndSwitchesReadThroughTheIntegerRule) {
    const QString f = path();
    put(f, "[W]\nleft=0x20\ntop=abc\nLMDLEDLabel3=-5\nGauge5=250\n"
           "FFFF=2\nFFFF2=0\ncheckbox1=abc\nRxSpeedButton11=\n");
    EXPECT_EQ(readInt(f, "W", "left", 201), 32);
    EXPECT_EQ(readInt(f, "W", "top", 116), 116);
    EXPECT_EQ(readInt(f, "W", "LMDLEDLabel3", 60), -5);
    EXPECT_EQ(readInt(f, "W", "Gauge5", 0), 250);  // no range check here
    EXPECT_TRUE(readBool(f, "W", "FFFF", false));
    EXPECT_FALSE(readBool(f, "W", "FFFF2", true));
    EXPECT_TRUE(readBool(f, "W", "checkbox1", true));
    EXPECT_FALSE(readBool(f, "W", "checkbox1", false));
    EXPECT_TRUE(readBool(f, "W", "RxSpeedButton11", true));
}

TEST_F(ProfileFile, WrittenNumbersAndSwitches) {
    const QString f = path();
    ASSERT_TRUE(writeInt(f, "W", "left", -40));
    ASSERT_TRUE(writeInt(f, "W", "top", INT_MIN));
    ASSERT_TRUE(writeBool(f, "W", "FFFF", true));
    ASSERT_TRUE(writeBool(f, "W", "FFFF2", false));
    EXPECT_EQ(get(f), "[W]\nleft=-40\ntop=-2147483648\nFFFF=1\nFFFF2=0\n");
    EXPECT_EQ(readInt(f, "W", "top", 0), INT_MIN);
    EXPECT_TRUE(readBool(f, "W", "FFFF", false));
    EXPECT_FALSE(readBool(f, "W", "FFFF2", true));
}

// ---------------------------------------------------------------- writing

TEST(ProfileWrite, ReplacesTheKeyLineAndKeepsEverythingElseByteForByte) {
    const QByteArray before = "; settings\n"
                              "\n"
                              "[my11]\n"
                              "SpinEdit1=3\n"
                              "[W]\n"
                              "  # window\n"
                              "   Left = 10   \n"
                              "stray line\n"
                              "top=20\n"
                              "\n"
                              "[x]\n"
                              "left=99\n";
    const QByteArray after = set(before, "w", "LEFT", "-7");
    // The key keeps its indentation and its spelling in the file.
    EXPECT_EQ(after, QByteArray("; settings\n"
                                "\n"
                                "[my11]\n"
                                "SpinEdit1=3\n"
                                "[W]\n"
                                "  # window\n"
                                "   Left=-7\n"
                                "stray line\n"
                                "top=20\n"
                                "\n"
                                "[x]\n"
                                "left=99\n"));
}

TEST(ProfileWrite, NewKeysGoAfterTheLastKeyLineOfTheirSection) {
    QByteArray ini = "[W]\nleft=1\n; about top\ntop=2\n\n; next section\n[x]\nxx1=95\n";
    ini = set(ini, "W", "Gauge5", "40");
    ini = set(ini, "W", "LMDLEDLabel3", "60");
    ini = set(ini, "x", "yy1", "30");
    EXPECT_EQ(ini, QByteArray("[W]\nleft=1\n; about top\ntop=2\nGauge5=40\nLMDLEDLabel3=60\n"
                              "\n; next section\n[x]\nxx1=95\nyy1=30\n"));

    // A section without keys gets its first key right under the header.
    EXPECT_EQ(set("[W]\n; nothing yet\n\n[x]\n", "W", "left", "1"),
              QByteArray("[W]\nleft=1\n; nothing yet\n\n[x]\n"));
}

TEST(ProfileWrite, MissingSectionIsAppendedAtTheEnd) {
    EXPECT_EQ(set("", "my11", "SpinEdit1", "1"), QByteArray("[my11]\nSpinEdit1=1\n"));
    EXPECT_EQ(set("[W]\nleft=1\n", "x", "xx1", "95"),
              QByteArray("[W]\nleft=1\n[x]\nxx1=95\n"));
    // Names are stored without surrounding blanks.
    EXPECT_EQ(set("", " x ", "\txx1 ", "95"), QByteArray("[x]\nxx1=95\n"));
}

TEST(ProfileWrite, FileWithoutFinalNewline) {
    EXPECT_EQ(set("[W]\nleft=1", "W", "left", "2"), QByteArray("[W]\nleft=2"));
    EXPECT_EQ(set("[W]\nleft=1", "W", "top", "2"), QByteArray("[W]\nleft=1\ntop=2\n"));
    EXPECT_EQ(set("[W]", "W", "top", "2"), QByteArray("[W]\ntop=2\n"));
    EXPECT_EQ(set("; only a comment", "W", "top", "2"),
              QByteArray("; only a comment\n[W]\ntop=2\n"));
}

TEST(ProfileWrite, KeepsCrlfLineEndings) {
    QByteArray ini = "[W]\r\nleft=1\r\n; c\r\n";
    ini = set(ini, "W", "left", "5");
    ini = set(ini, "W", "top", "6");
    ini = set(ini, "x", "xx1", "95");
    EXPECT_EQ(ini, QByteArray("[W]\r\nleft=5\r\ntop=6\r\n; c\r\n[x]\r\nxx1=95\r\n"));
    EXPECT_EQ(set("[W]\r\nleft=1", "W", "top", "2"), QByteArray("[W]\r\nleft=1\r\ntop=2\r\n"));
}

TEST(ProfileWrite, DuplicateSectionsAndKeysFirstOneIsWritten) {
    const QByteArray ini = "[W]\nleft=1\nleft=2\n[w]\nleft=3\n";
    EXPECT_EQ(set(ini, "W", "left", "8"), QByteArray("[W]\nleft=8\nleft=2\n[w]\nleft=3\n"));
    EXPECT_EQ(set(ini, "W", "top", "8"), QByteArray("[W]\nleft=1\nleft=2\ntop=8\n[w]\nleft=3\n"));
}

TEST(ProfileWrite, ValuesReadBackExactlyAsWritten) {
    const QString values[] = {"", " lead", "trail\t", "\"quoted\"", "\"", "\"half", "a=b;c[d]",
                              "'single'", "''", "'", "'half", "'mixed\"", "\"'both'\"",
                              QString::fromUtf8("\xE2\x82\xAC\xC3\xA9"), "  "};
    QByteArray ini = "[s]\n";
    for (const QString& v : values) {
        ini = set(ini, "s", "k", v);
        bool found = false;
        EXPECT_EQ(profile::getValue(ini, "s", "k", &found), v) << ini.constData();
        EXPECT_TRUE(found);
    }
    EXPECT_EQ(set("", "s", "k", " a "), QByteArray("[s]\nk=\" a \"\n"));
    EXPECT_EQ(set("", "s", "k", "plain"), QByteArray("[s]\nk=plain\n"));
}

TEST_F(ProfileFile, NamesAndValuesThatCannotBeStoredAreRefused) {
    const QString f = path();
    const QByteArray original = "[W]\nleft=1\n";
    put(f, original);
    const std::vector<std::tuple<QString, QString, QString>> bad = {
        {"", "k", "v"},        {"  ", "k", "v"},     {"a]b", "k", "v"}, {"a\nb", "k", "v"},
        {"W", "", "v"},        {"W", "a=b", "v"},    {"W", ";k", "v"},  {"W", "#k", "v"},
        {"W", "[k", "v"},      {"W", "k\rx", "v"},    {"W", "k", "a\nb"}, {"W", "left", "1\r\n[x]"},
    };
    for (const auto& [section, key, v] : bad) {
        EXPECT_EQ(profile::setValue(original, section, key, v), original) << key.toStdString();
        EXPECT_FALSE(writeString(f, section, key, v)) << key.toStdString();
    }
    EXPECT_EQ(get(f), original);
}

TEST_F(ProfileFile, SettingsFileRoundTrip) {
    const QString f = path();
    ASSERT_TRUE(writeInt(f, "my11", "SpinEdit1", 2));
    ASSERT_TRUE(writeBool(f, "W", "Autoconnecttheonlinupgrade1", true));
    ASSERT_TRUE(writeBool(f, "W", "checkbox1", false));
    ASSERT_TRUE(writeInt(f, "W", "left", 201));
    ASSERT_TRUE(writeInt(f, "x", "xx1", 95));
    ASSERT_TRUE(writeBool(f, "x", "checkbox1", true));
    // Rewriting in another letter case hits the same keys.
    ASSERT_TRUE(writeInt(f, "MY11", "spinedit1", 3));
    ASSERT_TRUE(writeInt(f, "w", "LEFT", 202));
    EXPECT_EQ(get(f), "[my11]\nSpinEdit1=3\n"
                      "[W]\nAutoconnecttheonlinupgrade1=1\ncheckbox1=0\nleft=202\n"
                      "[x]\nxx1=95\ncheckbox1=1\n");
    EXPECT_FALSE(readBool(f, "W", "checkbox1", true));
    EXPECT_TRUE(readBool(f, "x", "checkbox1", false));
    // Writing a value the file already holds succeeds and changes nothing.
    const QByteArray before = get(f);
    EXPECT_TRUE(writeInt(f, "x", "xx1", 95));
    EXPECT_EQ(get(f), before);
}

// ---------------------------------------------------------------- atomic writes

TEST_F(ProfileFile, WriteReplacesTheFileInsteadOfRewritingIt) {
    const QString f = path();
    put(f, "[W]\nleft=1\n");
    // A second name for the old file still shows the old content after the
    // write: the new content went into a new file renamed over the name.
    const QString link = path("old.ini");
    ASSERT_EQ(::link(QFile::encodeName(f).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(writeInt(f, "W", "left", 2));
    EXPECT_EQ(get(f), "[W]\nleft=2\n");
    EXPECT_EQ(get(link), "[W]\nleft=1\n");
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST_F(ProfileFile, WriteIntoAFolderThatCannotExistFails) {
    put(path("plain"), "not a folder");
    EXPECT_FALSE(writeInt(path("plain/tevo.ini"), "W", "left", 1));
    EXPECT_EQ(get(path("plain")), "not a folder");
    EXPECT_FALSE(writeInt(path("nowhere/tevo.ini"), "W", "left", 1));
    EXPECT_FALSE(QFileInfo::exists(path("nowhere")));
}

TEST_F(ProfileFile, WriteOverSomethingUnreadableFailsAndLeavesItAlone) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("tevo.ini"));
    EXPECT_FALSE(writeInt(path(), "W", "left", 1));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

// Limits the size of files this process may write, so that writes fail as
// on a full disk, and puts everything back when it goes out of scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST_F(ProfileFile, FailedWriteLeavesTheOldFileIntact) {
    const QString f = path();
    const QByteArray original = "[W]\nleft=1\n; keep me\n";
    put(f, original);
    const QString big(4000, QChar('9'));
    bool written = true;
    {
        FileSizeLimit limit(256);
        ASSERT_TRUE(limit.ok());
        written = writeString(f, "W", "top", big);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(get(f), original);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"tevo.ini"});
    // Once there is room again the same write goes through.
    EXPECT_TRUE(writeString(f, "W", "top", big));
    EXPECT_EQ(readString(f, "W", "top", "def"), QString(2047, QChar('9')));
    EXPECT_EQ(readInt(f, "W", "left", 0), 1);
}

TEST_F(ProfileFile, AFileLongerThanTheReadingLimitIsReadThatFarAndNeverWritten) {
    const QString f = path();
    // The settings come first; a long tail of notes follows them.
    const QByteArray head = "[W]\nleft=7\n";
    const QByteArray original = head + "; notes\n" + QByteArray(200, 'n') + "\n[x]\nxx1=50\n";
    put(f, original);
    ostra::SettingsFile ini(files, f, 64);
    ini.load();
    EXPECT_EQ(ini.readInt("W", "left", 0), 7);
    EXPECT_EQ(ini.readInt("x", "xx1", 95), 95);  // beyond the limit
    EXPECT_TRUE(ini.writeInt("W", "left", 8));
    EXPECT_EQ(ini.readInt("W", "left", 0), 8);  // kept in memory for the run
    EXPECT_FALSE(ini.commit());
    EXPECT_EQ(get(f), original);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"tevo.ini"});

    // A file of exactly the limit is whole: written as usual.
    const QByteArray exact = head + QByteArray(64 - head.size() - 1, ';') + "\n";
    ASSERT_EQ(exact.size(), 64);
    put(f, exact);
    ostra::SettingsFile fits(files, f, 64);
    fits.load();
    EXPECT_TRUE(fits.writeInt("W", "left", 9));
    EXPECT_TRUE(fits.commit());
    EXPECT_TRUE(get(f).startsWith("[W]\nleft=9\n"));
}

// ---------------------------------------------------------------- property test

QString lowerAscii(QString s) {
    for (QChar& c : s) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return s;
}

bool sameNameAscii(const QString& a, const QString& b) {
    return lowerAscii(a.trimmed()) == lowerAscii(b.trimmed());
}

// The lines of a text without their line breaks.
QList<QByteArray> linesOf(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n') || text.isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines) {
        while (l.endsWith('\r'))
            l.chop(1);
    }
    return lines;
}

// Every (section, key) name pair the text could hold, found the simple way:
// headers and anything before a '='. Whether a pair is readable is left to
// getValue.
QSet<std::pair<QString, QString>> candidatePairs(const QByteArray& text) {
    QSet<std::pair<QString, QString>> pairs;
    QList<QString> sections;
    QList<QString> keys;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[') && line.contains(']'))
            sections.append(QString::fromUtf8(line.mid(1, line.indexOf(']') - 1)).trimmed());
        else if (line.contains('='))
            keys.append(QString::fromUtf8(line.left(line.indexOf('='))).trimmed());
    }
    for (const QString& s : sections)
        for (const QString& k : keys)
            pairs.insert({lowerAscii(s), lowerAscii(k)});
    return pairs;
}

TEST(ProfileProperty, SetValueChangesOnlyTheKeyItWrites) {
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(rng)); };

    const QStringList names = {"a", "A", "b", "B", "ab", "aB", "a b", " a", "b\t"};
    const char noise[] = {'a', 'A', 'b', '[', ']', '=', '\r', '\n', ';', '#', ' ', '\t', '"',
                          '\0', '1', char(0xC3), char(0xA9), char(0xFF), char(0x80)};
    const char* breaks[] = {"\n", "\n", "\r\n", "\r\n", "\r", ""};
    const QString valueChars = QString::fromUtf8("aZ0 \t\"=[];#\xC3\xA9\xE2\x82\xAC");
    auto randomValue = [&] {
        QString v;
        for (int n = pick(10); n > 0; --n)
            v += valueChars[pick(int(valueChars.size()))];
        return v;
    };

    int readableNeighbours = 0;
    for (int round = 0; round < 3000 && !::testing::Test::HasFailure(); ++round) {
        // Every fourth text is bytes thrown together; the others are lines
        // of a plausible INI file with some random damage.
        QByteArray before;
        if (round % 4 == 3) {
            for (int n = pick(80); n > 0; --n)
                before += noise[pick(int(std::size(noise)))];
        }
        for (int lines = round % 4 == 3 ? 0 : pick(12); lines > 0; --lines) {
            switch (pick(6)) {
            case 0:
            case 1: before += "[" + names[pick(int(names.size()))].toUtf8() + "]"; break;
            case 2:
            case 3:
                before += names[pick(int(names.size()))].toUtf8() + "=" + randomValue().toUtf8();
                break;
            case 4: before += pick(2) ? ";a=1" : "#b=2"; break;
            default:
                for (int n = pick(8); n > 0; --n)
                    before += noise[pick(int(std::size(noise)))];
                break;
            }
            before += breaks[pick(int(std::size(breaks)))];
        }
        for (int n = pick(4) == 0 ? pick(4) : 0; n > 0 && !before.isEmpty(); --n)
            before[pick(int(before.size()))] = noise[pick(int(std::size(noise)))];

        const QString section = names[pick(int(names.size()))];
        const QString key = names[pick(int(names.size()))];
        const QString v = randomValue();
        const QByteArray after = profile::setValue(before, section, key, v);
        // Only built when a check fails.
        auto context = [&] {
            return testing::Message()
                   << "\nround " << round << ": [" << section.toStdString() << "] "
                   << key.toStdString() << "=" << v.toStdString() << "\nbefore "
                   << testing::PrintToString(before.toStdString()) << "\nafter  "
                   << testing::PrintToString(after.toStdString());
        };

        bool found = false;
        EXPECT_EQ(profile::getValue(after, section, key, &found), v) << context();
        EXPECT_TRUE(found) << context();

        // Every other pair reads the same before and after: readable ones
        // keep their value, unreadable ones stay unreadable.
        auto pairs = candidatePairs(before);
        for (const QString& s : names)
            for (const QString& k : names)
                pairs.insert({lowerAscii(s.trimmed()), lowerAscii(k.trimmed())});
        for (const auto& [s, k] : pairs) {
            if (sameNameAscii(s, section) && sameNameAscii(k, key))
                continue;
            bool foundBefore = false;
            bool foundAfter = false;
            const QString vb = profile::getValue(before, s, k, &foundBefore);
            const QString va = profile::getValue(after, s, k, &foundAfter);
            EXPECT_EQ(foundAfter, foundBefore)
                << "[" << s.toStdString() << "] " << k.toStdString() << context();
            EXPECT_EQ(va, vb) << "[" << s.toStdString() << "] " << k.toStdString() << context();
            readableNeighbours += foundBefore ? 1 : 0;
        }

        // The edit is local: at most one line replaced, or one line (new
        // key) or two lines (new section) added; all others kept in order.
        const QList<QByteArray> lb = linesOf(before);
        const QList<QByteArray> la = linesOf(after);
        qsizetype prefix = 0;
        while (prefix < lb.size() && prefix < la.size() && lb[prefix] == la[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < lb.size() - prefix && suffix < la.size() - prefix &&
               lb[lb.size() - 1 - suffix] == la[la.size() - 1 - suffix])
            ++suffix;
        const qsizetype removed = lb.size() - prefix - suffix;
        const qsizetype added = la.size() - prefix - suffix;
        const bool local = (removed == 0 && added <= 2) || (removed == 1 && added == 1);
        EXPECT_TRUE(local) << "removed " << removed << " added " << added << context();
    }
    // The generator produces readable neighbours often enough to matter.
    EXPECT_GT(readableNeighbours, 700) << readableNeighbours;
}

}  // namespace
