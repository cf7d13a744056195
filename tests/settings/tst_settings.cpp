// The settings against a real settings store in a throw-away home folder.
#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "settings/GlobalSettings.h"
#include "support/TemporaryHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QtTest>

#include <limits>
#include <utility>

namespace {

// Builds a fresh settings object that loads what the store holds now.
GlobalSettings *reload()
{
    delete GlobalSettings::instance();
    return GlobalSettings::instance();
}

QString storedValue(const char *key)
{
    return QSettings().value(QLatin1String(key)).toString();
}

void store(const QVariantMap &values)
{
    QSettings settings;
    for (auto it = values.begin(); it != values.end(); ++it)
        settings.setValue(it.key(), it.value());
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void portablePaths_data();
    void portablePaths();
    void everySettingSurvivesSaveAndReload();
    void valuesTakenAsStored();
    void languageSelection();
};

void TestSettings::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QSettings().clear();
    QSettings().sync();
    QDir(QDir::homePath()).removeRecursively();
    QDir().mkpath(QDir::homePath());
    reload();
}

void TestSettings::cleanupTestCase()
{
    delete GlobalSettings::instance();
}

void TestSettings::portablePaths_data()
{
    QTest::addColumn<QString>("stored");  // "~" is the home folder
    QTest::addColumn<QString>("loaded");  // "@" is the root folder

    QTest::newRow("root folder") << "/::REPLACE_ME::" << "@";
    QTest::newRow("inside the root") << "/::REPLACE_ME::/Retuned/2026" << "@/Retuned/2026";
    QTest::newRow("outside the root") << "~/Music/In" << "~/Music/In";
}

// The store names folders below the root relative to it, so that they
// survive a move of the home folder; what loads is saved back the same.
void TestSettings::portablePaths()
{
    QFETCH(QString, stored);
    QFETCH(QString, loaded);
    stored.replace(QLatin1Char('~'), QDir::homePath());
    const QString root = GlobalSettings::instance()->appRootPath();
    loaded.replace(QLatin1Char('~'), QDir::homePath()).replace(QLatin1Char('@'), root);

    store({{QStringLiteral("lastMediaImportPath"), stored}, {QStringLiteral("lastMediaExportPath"), stored}});
    GlobalSettings *settings = reload();
    QCOMPARE(settings->lastMediaImportPath(), loaded);
    QCOMPARE(settings->lastMediaExportPath(), loaded);
    QVERIFY(!QFileInfo::exists(loaded));  // not made by loading

    settings->saveSettings();
    QCOMPARE(storedValue("lastMediaImportPath"), stored);
    QCOMPARE(reload()->lastMediaImportPath(), loaded);
}

// On a first run the output folder is not made until something is written
// there. Every setting survives a save and a reload, choices stored as
// numbers; setters never save, and a save drops keys no setting owns.
void TestSettings::everySettingSurvivesSaveAndReload()
{
    GlobalSettings *settings = GlobalSettings::instance();
    QCOMPARE(settings->lastMediaExportPath(), settings->appRootPath());
    QVERIFY(!QFileInfo::exists(settings->appRootPath()));
    const QList<std::pair<const char *, QVariant>> values{
        {"algorithm", PitchAlgorithm::named(QStringLiteral("frequency"))->id},
        {"audioFormat", OutputFormat::named(QStringLiteral("flac"))->id},
        {"audioBitrate", 320}, {"sourceFrequency", 415.3}, {"targetFrequency", 444.0}, {"fileFilter", "*.ogg"},
        {"preferedLanguage", "de"}, {"outputSampleRate", ConversionSettings::SourceRate}, {"keepVideo", true},
        {"skipExistingOutputs", true}, {"detectSourcePitch", true}, {"keepFormants", true}, {"askForOutputFolder", true},
        {"outputFolder", settings->appRootPath() + QStringLiteral("/Retuned")}, {"restoreQueue", false},
        {"windowGeometry", QByteArray("\x01\xd9\xd0\xcb")}};
    for (const auto &[name, value] : values) {
        QVERIFY2(settings->property(name) != value, name);
        settings->setProperty(name, value);
    }
    QVERIFY(settings->update_lastMediaExportPath(QDir::homePath() + QStringLiteral("/out")));
    QSettings().setValue(QStringLiteral("writtenByAnotherProgram"), 7);
    QCOMPARE(storedValue("audioBitrate"), QString());

    settings->saveSettings();
    QVERIFY(!QSettings().contains(QStringLiteral("writtenByAnotherProgram")));
    QCOMPARE(storedValue("audioFormat"), QStringLiteral("2"));
    QCOMPARE(storedValue("outputFolder"), QStringLiteral("/::REPLACE_ME::/Retuned"));
    GlobalSettings *loaded = reload();
    for (const auto &[name, value] : values)
        QVERIFY2(loaded->property(name) == value, name);
    QCOMPARE(loaded->conversionSettings().sampleRate, ConversionSettings::SourceRate);
    QCOMPARE(loaded->lastMediaExportPath(), QDir::homePath() + QStringLiteral("/out"));
}

// Hand-edited values load as they are, for the conversion to refuse, but
// for pitches no conversion could take: those give way to the defaults, and
// the setters, which QML writes go through too, refuse them. The file
// filter earlier versions saved as their default becomes today's, which
// takes ogg and opus too.
void TestSettings::valuesTakenAsStored()
{
    store({{QStringLiteral("fileFilter"), QStringLiteral("*.mp3,*.m4a,*.wav,*.flac,*.mp4,*.avi")}});
    for (const char *pattern : {"*.ogg", "*.opus", "*.mkv", "*.webm", "*.mov", "*.wma", "*.aiff", "*.ape"})
        QVERIFY2(reload()->fileFilter().split(QLatin1Char(',')).contains(QLatin1String(pattern)), pattern);
    store({{QStringLiteral("algorithm"), 9}, {QStringLiteral("audioFormat"), -3},
           {QStringLiteral("audioBitrate"), QStringLiteral("loud")}, {QStringLiteral("sourceFrequency"), 415.3},
           {QStringLiteral("targetFrequency"), 466.16}});
    GlobalSettings *settings = reload();
    QCOMPARE(int(settings->algorithm()), 9);
    QCOMPARE(int(settings->audioFormat()), -3);
    QCOMPARE(settings->audioBitrate(), 0);
    QCOMPARE(settings->conversionSettings().sourceFrequency, 415.3);
    QCOMPARE(settings->conversionSettings().targetFrequency, 466.16);

    for (const auto &[source, target] : {std::pair{0.0, 432.0}, {440.0, 1e308}, {100.0, 1000.0}}) {
        store({{QStringLiteral("sourceFrequency"), source}, {QStringLiteral("targetFrequency"), target}});
        settings = reload();
        QCOMPARE(settings->sourceFrequency(), 440.0);
        QCOMPARE(settings->targetFrequency(), 432.0);
    }

    // Outside 50 to 2000 Hz, not a number, or more than two octaves from
    // the other.
    QSignalSpy source(settings, &GlobalSettings::sourceFrequencyChanged);
    for (double refused : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 49.9,
                           2000.1, 107.9})
        QVERIFY(!settings->set_sourceFrequency(refused));
    settings->setProperty("targetFrequency", 1760.1);
    QCOMPARE(settings->targetFrequency(), 432.0);
    QCOMPARE(source.count(), 0);
    QVERIFY(settings->set_sourceFrequency(108.0));  // two octaves below 432
    QCOMPARE(source.count(), 1);
}

// A German system speaks German from the start; a language without a
// catalogue shows English and is kept as chosen.
void TestSettings::languageSelection()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    GlobalSettings *settings = reload();
    QCOMPARE(settings->preferedLanguage(), QStringLiteral("de"));
    QCOMPARE(QCoreApplication::translate("QueueEntry", "Pending"), QStringLiteral("Wartet"));
    settings->selectLanguage(QStringLiteral("en"));
    QSignalSpy language(settings, &GlobalSettings::preferedLanguageChanged);
    settings->selectLanguage(QStringLiteral("de"));
    settings->selectLanguage(QStringLiteral("de"));
    QCOMPARE(language.count(), 1);
    QCOMPARE(QCoreApplication::translate("main", "Select songs"), QStringLiteral("Musik auswählen"));

    settings->selectLanguage(QStringLiteral("fr"));
    QCOMPARE(QCoreApplication::translate("main", "Select songs"), QStringLiteral("Select songs"));
    settings->saveSettings();
    QCOMPARE(reload()->preferedLanguage(), QStringLiteral("fr"));
    QCOMPARE(QCoreApplication::translate("main", "Select songs"), QStringLiteral("Select songs"));
}

TW_TEST_MAIN_WITH_HOME(TestSettings, QCoreApplication)
#include "tst_settings.moc"
