#include "settings/GlobalSettings.h"

#include "engine/LogCategories.h"
#include "engine/ProgramInfo.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"
#include "settings/Translator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString DefaultFileFilter = QStringLiteral("*.mp3,*.m4a,*.wav,*.flac,*.mp4,*.avi");

} // namespace

GlobalSettings *GlobalSettings::instance()
{
    static QPointer<GlobalSettings> s_instance;
    if (!s_instance)
        s_instance = new GlobalSettings;
    return s_instance;
}

GlobalSettings::GlobalSettings()
    : QObject(nullptr)
    , m_appName(QString::fromUtf8(ProgramInfo::Name))
    , m_appVersion(QString::fromUtf8(ProgramInfo::Version))
    , m_systemLocale(QLocale())
{
    // Queued connections and signal spies need the enums registered.
    qRegisterMetaType<AppConstants::Algorithm>();
    qRegisterMetaType<AppConstants::AudioFormat>();
    m_appRootPath = defaultRootFolder().replace(QLatin1Char('\\'), QLatin1Char('/'));
    loadSettings();
}

GlobalSettings::~GlobalSettings()
{
    qCDebug(lcSettings) << "GlobalSettings destroyed";
}

QString GlobalSettings::defaultRootFolder() const
{
    // Without a documents folder (a bare server account) the home folder
    // serves.
    QString documents = QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return documents + QDir::separator() + m_appName;
}

void GlobalSettings::loadSettings()
{
    QSettings store;

    double ratio = 1.0;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            ratio = screen->devicePixelRatio();
    }
    m_devicePixelRatio = ratio < 1.0 ? 1.0 : ratio;
    qCDebug(lcSettings) << "Ratio: " << m_devicePixelRatio;

    m_preferedLanguage = store.value(QStringLiteral("preferedLanguage"), QString()).toString();
    selectLanguage(m_preferedLanguage);

    m_lastMediaImportPath = fromPortablePath(store.value(QStringLiteral("lastMediaImportPath"), QString()).toString());
    fillInPath(m_lastMediaImportPath);
    m_lastMediaExportPath = fromPortablePath(store.value(QStringLiteral("lastMediaExportPath"), QString()).toString());
    fillInPath(m_lastMediaExportPath);

    // Taken as stored: whoever uses a value copes with one out of range, but
    // for the pitches, which nothing could convert.
    m_conversion.algorithm = AppConstants::Algorithm(store.value(QStringLiteral("algorithm"), 0).toInt());
    m_conversion.audioFormat = AppConstants::AudioFormat(store.value(QStringLiteral("audioFormat"), 0).toInt());
    m_conversion.audioBitrate = store.value(QStringLiteral("audioBitrate"), 192).toInt();
    m_conversion.sourceFrequency = store.value(QStringLiteral("sourceFrequency"), 440.0).toDouble();
    m_conversion.targetFrequency = store.value(QStringLiteral("targetFrequency"), 432.0).toDouble();
    // A pair no conversion would take (edited by hand, or from a version
    // that took any number) gives way to the defaults.
    if (!m_conversion.pitchesValid()) {
        m_conversion.sourceFrequency = 440.0;
        m_conversion.targetFrequency = 432.0;
    }
    m_fileFilter = store.value(QStringLiteral("fileFilter"), DefaultFileFilter).toString();
    m_conversion.sampleRate = store.value(QStringLiteral("outputSampleRate"), 44100).toInt();
    m_conversion.keepVideo = store.value(QStringLiteral("keepVideo"), false).toBool();
    m_conversion.skipExisting = store.value(QStringLiteral("skipExistingOutputs"), false).toBool();
    m_conversion.detectSourcePitch = store.value(QStringLiteral("detectSourcePitch"), false).toBool();
    m_askForOutputFolder = store.value(QStringLiteral("askForOutputFolder"), true).toBool();
    m_outputFolder = fromPortablePath(store.value(QStringLiteral("outputFolder"), QString()).toString());
}

void GlobalSettings::saveSettings()
{
    QSettings store;
    store.clear();
    store.setValue(QStringLiteral("lastMediaImportPath"), toPortablePath(m_lastMediaImportPath));
    store.setValue(QStringLiteral("lastMediaExportPath"), toPortablePath(m_lastMediaExportPath));
    store.setValue(QStringLiteral("preferedLanguage"), m_preferedLanguage);
    store.setValue(QStringLiteral("algorithm"), int(algorithm()));
    store.setValue(QStringLiteral("audioFormat"), int(audioFormat()));
    store.setValue(QStringLiteral("audioBitrate"), audioBitrate());
    store.setValue(QStringLiteral("sourceFrequency"), sourceFrequency());
    store.setValue(QStringLiteral("targetFrequency"), targetFrequency());
    store.setValue(QStringLiteral("fileFilter"), m_fileFilter);
    store.setValue(QStringLiteral("outputSampleRate"), outputSampleRate());
    store.setValue(QStringLiteral("keepVideo"), keepVideo());
    store.setValue(QStringLiteral("skipExistingOutputs"), skipExistingOutputs());
    store.setValue(QStringLiteral("detectSourcePitch"), detectSourcePitch());
    store.setValue(QStringLiteral("askForOutputFolder"), m_askForOutputFolder);
    store.setValue(QStringLiteral("outputFolder"), toPortablePath(m_outputFolder));
    store.sync();
    if (store.status() != QSettings::NoError)
        qCWarning(lcSettings) << "Error saving settings to" << store.fileName() << store.status();
}

void GlobalSettings::fillInPath(QString &path) const
{
    // Not created here: the conversion makes an output folder when it first
    // writes there, and a run that writes elsewhere leaves no trace.
    if (path.isEmpty())
        path = defaultRootFolder();
}

QString GlobalSettings::toPortablePath(const QString &path) const
{
    QString portable = path;
    portable.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return portable.replace(m_appRootPath, QLatin1String(PathToken));
}

QString GlobalSettings::fromPortablePath(const QString &path) const
{
    QString local = path;
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return local.replace(QLatin1String(PathToken), m_appRootPath);
}

void GlobalSettings::selectLanguage(const QString &shortCode)
{
    const QLocale locale = shortCode.isEmpty() ? m_systemLocale : QLocale(shortCode);
    // Spin boxes and the queue's numbers follow the interface language.
    QLocale::setDefault(locale);
    // Installing twice would list a catalogue twice; one that does not load
    // must not leave the previous language in place. English, with its
    // plural forms, where there is no catalogue for the language.
    QCoreApplication::removeTranslator(&m_translator);
    if (m_translator.load(locale, QStringLiteral("twconv"), QStringLiteral("_"), QStringLiteral(":/translations"))
        || m_translator.load(QStringLiteral(":/translations/twconv_en.qm")))
        QCoreApplication::installTranslator(&m_translator);
    QCoreApplication::removeTranslator(&m_qtTranslator);
    if (m_qtTranslator.load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                            QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTranslator);
    Translator::instance()->retranslate();

    if (shortCode.isEmpty()) {
        const QString name = QLocale().bcp47Name();
        const int cut = std::max(name.indexOf(QLatin1Char('_')), name.indexOf(QLatin1Char('-')));
        const QString code = cut >= 0 ? name.left(cut) : name;
        set_preferedLanguage(code);
        qCDebug(lcSettings) << "Auto language: " << name << ", " << code;
    } else {
        set_preferedLanguage(shortCode);
    }
}

KeyValueItemList *GlobalSettings::getSupportedLanguages(QObject *parent) const
{
    return OptionLists::languages(parent);
}

QUrl GlobalSettings::convertToUrl(const QString &path) const
{
    if (QFileInfo::exists(path))
        return QUrl::fromLocalFile(path);
    return QUrl(path, QUrl::TolerantMode);
}

template <typename T>
bool GlobalSettings::setConversion(T ConversionSettings::*field, T value, void (GlobalSettings::*changed)(T))
{
    // A NaN never equals anything, so storing one always counts as a change.
    if (m_conversion.*field == value)
        return false;
    m_conversion.*field = value;
    Q_EMIT(this->*changed)(value);
    return true;
}

bool GlobalSettings::set_algorithm(AppConstants::Algorithm algorithm)
{
    return setConversion(&ConversionSettings::algorithm, algorithm, &GlobalSettings::algorithmChanged);
}

bool GlobalSettings::set_audioFormat(AppConstants::AudioFormat audioFormat)
{
    return setConversion(&ConversionSettings::audioFormat, audioFormat, &GlobalSettings::audioFormatChanged);
}

bool GlobalSettings::set_audioBitrate(int audioBitrate)
{
    return setConversion(&ConversionSettings::audioBitrate, audioBitrate, &GlobalSettings::audioBitrateChanged);
}

bool GlobalSettings::set_sourceFrequency(double sourceFrequency)
{
    ConversionSettings wanted = m_conversion;
    wanted.sourceFrequency = sourceFrequency;
    if (!wanted.pitchesValid()) {
        qCWarning(lcSettings) << "Source A4 out of range:" << sourceFrequency;
        return false;
    }
    return setConversion(&ConversionSettings::sourceFrequency, sourceFrequency,
                         &GlobalSettings::sourceFrequencyChanged);
}

bool GlobalSettings::set_targetFrequency(double targetFrequency)
{
    ConversionSettings wanted = m_conversion;
    wanted.targetFrequency = targetFrequency;
    if (!wanted.pitchesValid()) {
        qCWarning(lcSettings) << "Target A4 out of range:" << targetFrequency;
        return false;
    }
    return setConversion(&ConversionSettings::targetFrequency, targetFrequency,
                         &GlobalSettings::targetFrequencyChanged);
}

bool GlobalSettings::set_outputSampleRate(int outputSampleRate)
{
    return setConversion(&ConversionSettings::sampleRate, outputSampleRate,
                         &GlobalSettings::outputSampleRateChanged);
}

bool GlobalSettings::set_keepVideo(bool keepVideo)
{
    return setConversion(&ConversionSettings::keepVideo, keepVideo, &GlobalSettings::keepVideoChanged);
}

bool GlobalSettings::set_skipExistingOutputs(bool skipExistingOutputs)
{
    return setConversion(&ConversionSettings::skipExisting, skipExistingOutputs,
                         &GlobalSettings::skipExistingOutputsChanged);
}

bool GlobalSettings::set_detectSourcePitch(bool detectSourcePitch)
{
    return setConversion(&ConversionSettings::detectSourcePitch, detectSourcePitch,
                         &GlobalSettings::detectSourcePitchChanged);
}
