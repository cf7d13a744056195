// The settings against a real settings store in a throw-away home folder.
#include "settings/GlobalSettings.h"
#include "support/TemporaryHome.h"
#include "settings/Translator.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QtTest>

#include <cmath>
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
    QTest::addColumn<QString>("stored");   // "~" is the home folder
    QTest::addColumn<QString>("loaded");   // "@" is the root folder
    QTest::addColumn<QString>("saved");

    QTest::newRow("root folder") << "/::REPLACE_ME::" << "@" << "/::REPLACE_ME::";
    QTest::newRow("inside the root") << "/::REPLACE_ME::/Retuned/2026" << "@/Retuned/2026"
                                     << "/::REPLACE_ME::/Retuned/2026";
    QTest::newRow("outside the root") << "~/Music/In" << "~/Music/In" << "~/Music/In";
    QTest::newRow("backslashes") << "~\\Music\\Win" << "~/Music/Win" << "~/Music/Win";
    QTest::newRow("root lookalike") << "~/Documents/TunewiseOld" << "@Old" << "/::REPLACE_ME::Old";
}

void TestSettings::portablePaths()
{
    QFETCH(QString, stored);
    QFETCH(QString, loaded);
    QFETCH(QString, saved);
    const QString home = QDir::homePath();
    const QString root = GlobalSettings::instance()->appRootPath();
    stored.replace(QLatin1Char('~'), home);
    saved.replace(QLatin1Char('~'), home);
    loaded.replace(QLatin1Char('~'), home).replace(QLatin1Char('@'), root);

    {
        QSettings store;
        store.setValue(QStringLiteral("lastMediaImportPath"), stored);
        store.setValue(QStringLiteral("lastMediaExportPath"), stored);
    }
    GlobalSettings *settings = reload();
    QCOMPARE(settings->lastMediaImportPath(), loaded);
    QCOMPARE(settings->lastMediaExportPath(), loaded);
    QVERIFY(!QFileInfo::exists(loaded));  // not made by loading

    settings->saveSettings();
    QCOMPARE(storedValue("lastMediaImportPath"), saved);
    QCOMPARE(reload()->lastMediaImportPath(), loaded);
}

// On a first run the output folder is not made until something is written
// there; what is set survives a save and a reload, and the store holds
// folders relative to the home folder.
void TestSettings::everySettingSurvivesSaveAndReload()
{
    GlobalSettings *settings = GlobalSettings::instance();
    QCOMPARE(settings->lastMediaExportPath(), settings->appRootPath());
    QCOMPARE(settings->targetFrequency(), 432.0);
    QVERIFY(!QFileInfo::exists(settings->appRootPath()));
    QSettings().setValue(QStringLiteral("writtenByAnotherProgram"), 7);
    QVERIFY(settings->set_algorithm(AppConstants::A_Frequency));
    QVERIFY(settings->set_audioFormat(AppConstants::F_Flac));
    QVERIFY(settings->set_audioBitrate(320));
    QVERIFY(settings->set_sourceFrequency(415.3));
    QVERIFY(settings->set_targetFrequency(444.0));
    QVERIFY(settings->set_fileFilter(QStringLiteral("*.ogg")));
    QVERIFY(settings->set_preferedLanguage(QStringLiteral("de")));
    QVERIFY(settings->update_lastMediaExportPath(QDir::homePath() + QStringLiteral("/out")));
    QVERIFY(settings->set_outputSampleRate(ConversionSettings::SourceRate));
    QVERIFY(settings->set_keepVideo(true));
    QVERIFY(settings->set_skipExistingOutputs(true));
    QVERIFY(settings->set_detectSourcePitch(true));
    QVERIFY(settings->set_askForOutputFolder(false));
    QVERIFY(settings->set_outputFolder(QDir::homePath() + QStringLiteral("/Documents/Tunewise/Retuned")));

    // Setters never save.
    QCOMPARE(storedValue("audioBitrate"), QString());
    settings->saveSettings();

    QSettings store;
    QVERIFY(!store.contains(QStringLiteral("writtenByAnotherProgram")));
    QCOMPARE(store.value(QStringLiteral("algorithm")).toInt(), 1);
    QCOMPARE(store.value(QStringLiteral("audioFormat")).toInt(), 2);

    GlobalSettings *loaded = reload();
    QCOMPARE(loaded->algorithm(), AppConstants::A_Frequency);
    QCOMPARE(loaded->audioFormat(), AppConstants::F_Flac);
    QCOMPARE(loaded->audioBitrate(), 320);
    QCOMPARE(loaded->sourceFrequency(), 415.3);
    QCOMPARE(loaded->targetFrequency(), 444.0);
    QCOMPARE(loaded->fileFilter(), QStringLiteral("*.ogg"));
    QCOMPARE(loaded->preferedLanguage(), QStringLiteral("de"));
    const ConversionSettings conversion = loaded->conversionSettings();
    QCOMPARE(conversion.sampleRate, ConversionSettings::SourceRate);
    QVERIFY(conversion.keepVideo && conversion.skipExisting && conversion.detectSourcePitch);
    QVERIFY(!loaded->askForOutputFolder());
    QCOMPARE(loaded->outputFolder(), QDir::homePath() + QStringLiteral("/Documents/Tunewise/Retuned"));
    QCOMPARE(storedValue("outputFolder"), QStringLiteral("/::REPLACE_ME::/Retuned"));
    QCOMPARE(loaded->lastMediaExportPath(), QDir::homePath() + QStringLiteral("/out"));
}

// Hand-edited values load as they are, for the conversion to refuse, but
// for pitches no conversion could take: those give way to the defaults, and
// the setters refuse them.
void TestSettings::valuesTakenAsStored()
{
    {
        QSettings store;
        store.setValue(QStringLiteral("algorithm"), 9);
        store.setValue(QStringLiteral("audioFormat"), -3);
        store.setValue(QStringLiteral("audioBitrate"), QStringLiteral("loud"));
        store.setValue(QStringLiteral("sourceFrequency"), 415.3);
        store.setValue(QStringLiteral("targetFrequency"), 466.16);
    }
    GlobalSettings *settings = reload();
    QCOMPARE(int(settings->algorithm()), 9);
    QCOMPARE(int(settings->audioFormat()), -3);
    QCOMPARE(settings->audioBitrate(), 0);
    QCOMPARE(settings->sourceFrequency(), 415.3);
    QCOMPARE(settings->conversionSettings().targetFrequency, 466.16);

    for (const auto &[source, target] : {std::pair{0.0, 432.0}, {440.0, 1e308}, {100.0, 1000.0}}) {
        {
            QSettings store;
            store.setValue(QStringLiteral("sourceFrequency"), source);
            store.setValue(QStringLiteral("targetFrequency"), target);
        }
        settings = reload();
        QCOMPARE(settings->sourceFrequency(), 440.0);
        QCOMPARE(settings->targetFrequency(), 432.0);
    }

    // Set, they are refused: outside 50 to 2000 Hz, not a number, or more
    // than two octaves from the other. QML writes go through the same
    // setters.
    QSignalSpy source(settings, &GlobalSettings::sourceFrequencyChanged);
    for (double refused : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 49.9,
                           2000.1, 107.9})
        QVERIFY(!settings->set_sourceFrequency(refused));
    QVERIFY(!settings->set_targetFrequency(1760.1));
    QCOMPARE(source.count(), 0);
    QCOMPARE(settings->sourceFrequency(), 440.0);
    QVERIFY(settings->set_sourceFrequency(108.0));  // two octaves below 432
    QVERIFY(settings->set_sourceFrequency(440.0));
    QCOMPARE(source.count(), 2);

    QVERIFY(settings->setProperty("targetFrequency", 444.0));
    QCOMPARE(settings->targetFrequency(), 444.0);
}

// A German system speaks German from the start; a language without a
// catalogue shows English and is kept as chosen.
void TestSettings::languageSelection()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
    GlobalSettings *settings = reload();
    QCOMPARE(settings->preferedLanguage(), QStringLiteral("de"));
    QCOMPARE(Translator::instance()->strCancelConversion(), QStringLiteral("Abbrechen"));
    settings->selectLanguage(QStringLiteral("en"));
    QSignalSpy language(settings, &GlobalSettings::preferedLanguageChanged);
    settings->selectLanguage(QStringLiteral("de"));
    settings->selectLanguage(QStringLiteral("de"));
    QCOMPARE(language.count(), 1);
    QCOMPARE(Translator::instance()->strSelectSongs(), QStringLiteral("Musik auswählen"));

    settings->selectLanguage(QStringLiteral("fr"));
    QCOMPARE(Translator::instance()->strSelectSongs(), QStringLiteral("Select songs"));
    settings->saveSettings();
    QCOMPARE(reload()->preferedLanguage(), QStringLiteral("fr"));
    QCOMPARE(Translator::instance()->strSelectSongs(), QStringLiteral("Select songs"));
}

TW_TEST_MAIN_WITH_HOME(TestSettings, QCoreApplication)

#include "tst_settings.moc"
