// The table of settings keys against the whole program on the fakes: a full
// save (the options window closed, the growth notification switched, the
// shutdown sequence) writes exactly the written keys of the table, and
// each section of the file has one owner.
#include "app_harness.h"

#include "settings/settings_keys.h"

#include <QSet>

namespace ostra::testing {
namespace {

// "section/key", lower case: the file matches names without regard to case.
QString entryName(const QString& section, const QString& key) {
    return (section + QLatin1Char('/') + key).toLower();
}

TEST(SettingsTable, AFullSaveWritesExactlyTheWrittenKeysOfTheTable) {
    AppHarness h;
    h.start();
    OptionsWindow& options = h.options();
    options.show();
    options.close();
    h.app->actions().notifyGrowth.trigger();
    h.main().close();

    QSet<QString> written;
    for (const QString& entry : h.fp.iniEntries(h.dir.path())) {
        // "W section/key=value"
        const QString sectionKey = entry.mid(2).section(QLatin1Char('='), 0, 0);
        written.insert(sectionKey.toLower());
    }
    QSet<QString> table;
    for (const SettingsKey* k : settingsKeys())
        if (k->use == SettingsKey::Use::ReadWrite) table.insert(entryName(k->sectionName(), k->keyName()));

    EXPECT_EQ(written.size(), 16);
    for (const QString& e : written) EXPECT_TRUE(table.contains(e)) << e.toStdString() << " is not in the table";
    for (const QString& e : table) EXPECT_TRUE(written.contains(e)) << e.toStdString() << " was not written";
}

TEST(SettingsTable, EachSectionHasOneOwnerAndEachKeyOneEntry) {
    QSet<QString> sections;
    for (const SettingsSection* s : settingsSections()) {
        const QString name = QString::fromLatin1(s->name).toLower();
        EXPECT_FALSE(sections.contains(name)) << s->name << " is claimed twice";
        EXPECT_NE(QString::fromLatin1(s->owner), QString()) << s->name << " has no owner";
        sections.insert(name);
    }
    QSet<QString> keys;
    for (const SettingsKey* k : settingsKeys()) {
        const QString name = entryName(k->sectionName(), k->keyName());
        EXPECT_FALSE(keys.contains(name)) << name.toStdString() << " is listed twice";
        keys.insert(name);
        bool listed = false;
        for (const SettingsSection* s : settingsSections()) listed = listed || s == &k->section;
        EXPECT_TRUE(listed) << name.toStdString() << " belongs to a section outside the table";
    }
    // "checkbox1" is two settings, one in "W" and one in "x".
    EXPECT_TRUE(keys.contains(QStringLiteral("w/checkbox1")));
    EXPECT_TRUE(keys.contains(QStringLiteral("x/checkbox1")));
}

}  // namespace
}  // namespace ostra::testing
