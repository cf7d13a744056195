#include "settings/GlobalSettings.h"

#include "base/ProgramInfo.h"
#include "settings/Translator.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QMetaProperty>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QVector>

namespace {

Q_LOGGING_CATEGORY(lcSettings, "tunewise.settings", QtInfoMsg)

// Every audio and video container FFmpeg reads that people keep music in;
// the desktop entry offers the program for their types.
const QString DefaultFileFilter =
    QStringLiteral("*.mp3,*.m4a,*.m4b,*.aac,*.wav,*.flac,*.ogg,*.oga,*.opus,*.wma,*.aif,*.aiff,*.aifc,*.ape,*.wv,"
                   "*.mka,*.mp2,*.ac3,*.mp4,*.m4v,*.mkv,*.webm,*.mov,*.avi,*.wmv,*.mpg,*.mpeg");
// The default of earlier versions, which every saved store holds: it left
// out ogg, opus and most videos without saying so.
const QString EarlierFileFilter = QStringLiteral("*.mp3,*.m4a,*.wav,*.flac,*.mp4,*.avi");

} // namespace

// Every stored setting, in one place: its key as stored files spell it,
// its default, and how it is stored and loaded. Loaded values are taken as
// stored (whoever uses a value copes with one out of range), but for the
// pitches, which loadSettings() checks as a pair.
const QVector<GlobalSettings::Stored> &GlobalSettings::storedSettings()
{
    using S = GlobalSettings;
    static const QVector<Stored> table = {
        {"lastMediaImportPath", QString(),
         [](const S &s) -> QVariant { return s.toPortablePath(s.m_lastMediaImportPath); },
         [](S &s, const QVariant &v) { s.m_lastMediaImportPath = s.loadedFolder(v); }},
        {"lastMediaExportPath", QString(),
         [](const S &s) -> QVariant { return s.toPortablePath(s.m_lastMediaExportPath); },
         [](S &s, const QVariant &v) { s.m_lastMediaExportPath = s.loadedFolder(v); }},
        {"preferedLanguage", QString(), [](const S &s) -> QVariant { return s.m_preferedLanguage; },
         [](S &s, const QVariant &v) { s.m_preferedLanguage = v.toString(); }},
        {"algorithm", 0, [](const S &s) -> QVariant { return s.m_conversion.algorithm; },
         [](S &s, const QVariant &v) { s.m_conversion.algorithm = v.toInt(); }},
        {"audioFormat", 0, [](const S &s) -> QVariant { return s.m_conversion.audioFormat; },
         [](S &s, const QVariant &v) { s.m_conversion.audioFormat = v.toInt(); }},
        {"audioBitrate", 192, [](const S &s) -> QVariant { return s.m_conversion.audioBitrate; },
         [](S &s, const QVariant &v) { s.m_conversion.audioBitrate = v.toInt(); }},
        {"sourceFrequency", 440.0, [](const S &s) -> QVariant { return s.m_conversion.sourceFrequency; },
         [](S &s, const QVariant &v) { s.m_conversion.sourceFrequency = v.toDouble(); }},
        {"targetFrequency", 432.0, [](const S &s) -> QVariant { return s.m_conversion.targetFrequency; },
         [](S &s, const QVariant &v) { s.m_conversion.targetFrequency = v.toDouble(); }},
        {"fileFilter", DefaultFileFilter, [](const S &s) -> QVariant { return s.m_fileFilter; },
         [](S &s, const QVariant &v) { s.m_fileFilter = v.toString(); }},
        {"outputSampleRate", 44100, [](const S &s) -> QVariant { return s.m_conversion.sampleRate; },
         [](S &s, const QVariant &v) { s.m_conversion.sampleRate = v.toInt(); }},
        {"keepVideo", false, [](const S &s) -> QVariant { return s.m_conversion.keepVideo; },
         [](S &s, const QVariant &v) { s.m_conversion.keepVideo = v.toBool(); }},
        {"skipExistingOutputs", false, [](const S &s) -> QVariant { return s.m_conversion.skipExisting; },
         [](S &s, const QVariant &v) { s.m_conversion.skipExisting = v.toBool(); }},
        {"detectSourcePitch", false, [](const S &s) -> QVariant { return s.m_conversion.detectSourcePitch; },
         [](S &s, const QVariant &v) { s.m_conversion.detectSourcePitch = v.toBool(); }},
        {"keepFormants", false, [](const S &s) -> QVariant { return s.m_conversion.keepFormants; },
         [](S &s, const QVariant &v) { s.m_conversion.keepFormants = v.toBool(); }},
        // Not asked: the first import asks, and its folder stays the output
        // folder until changed.
        {"askForOutputFolder", false, [](const S &s) -> QVariant { return s.m_askForOutputFolder; },
         [](S &s, const QVariant &v) { s.m_askForOutputFolder = v.toBool(); }},
        {"outputFolder", QString(), [](const S &s) -> QVariant { return s.toPortablePath(s.m_outputFolder); },
         [](S &s, const QVariant &v) { s.m_outputFolder = s.fromPortablePath(v.toString()); }},
        {"restoreQueue", true, [](const S &s) -> QVariant { return s.m_restoreQueue; },
         [](S &s, const QVariant &v) { s.m_restoreQueue = v.toBool(); }},
        {"windowGeometry", QByteArray(), [](const S &s) -> QVariant { return s.m_windowGeometry; },
         [](S &s, const QVariant &v) { s.m_windowGeometry = v.toByteArray(); }},
    };
    return table;
}

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
    , m_systemLocale(QLocale())
{
    // Without a documents folder (a bare server account) the home folder
    // serves.
    QString documents = QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
    if (documents.isEmpty())
        documents = QDir::homePath();
    m_appRootPath = documents + QLatin1Char('/') + m_appName;
    loadSettings();
}

GlobalSettings::~GlobalSettings() = default;

void GlobalSettings::loadSettings()
{
    const QSettings store;
    qCDebug(lcSettings) << "Loading" << store.fileName();
    for (const Stored &setting : storedSettings())
        setting.load(*this, store.value(QLatin1String(setting.key), setting.defaultValue));
    if (m_fileFilter == EarlierFileFilter)
        m_fileFilter = DefaultFileFilter;
    // A pair no conversion would take (edited by hand, or from a version
    // that took any number) gives way to the defaults.
    if (!m_conversion.pitchesValid()) {
        const ConversionSettings defaults;
        m_conversion.sourceFrequency = defaults.sourceFrequency;
        m_conversion.targetFrequency = defaults.targetFrequency;
    }
    selectLanguage(m_preferedLanguage);
}

// The folders of imports and outputs: the root folder until one was used.
// Not created here: the conversion makes an output folder when it first
// writes there, and a run that writes elsewhere leaves no trace.
QString GlobalSettings::loadedFolder(const QVariant &stored) const
{
    const QString folder = fromPortablePath(stored.toString());
    return folder.isEmpty() ? m_appRootPath : folder;
}

void GlobalSettings::saveSettings()
{
    QSettings store;
    store.clear();
    for (const Stored &setting : storedSettings())
        store.setValue(QLatin1String(setting.key), setting.save(*this));
    store.sync();
    if (store.status() != QSettings::NoError)
        qCWarning(lcSettings) << "Error saving settings to" << store.fileName() << store.status();
}

QString GlobalSettings::toPortablePath(const QString &path) const
{
    return QString(path).replace(m_appRootPath, QLatin1String(PathToken));
}

QString GlobalSettings::fromPortablePath(const QString &path) const
{
    return QString(path).replace(QLatin1String(PathToken), m_appRootPath);
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
        set_preferedLanguage(cut >= 0 ? name.left(cut) : name);
        qCDebug(lcSettings) << "Auto language:" << name << preferedLanguage();
    } else {
        set_preferedLanguage(shortCode);
    }
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

bool GlobalSettings::setPitch(double ConversionSettings::*field, double hz, void (GlobalSettings::*changed)(double))
{
    ConversionSettings wanted = m_conversion;
    wanted.*field = hz;
    if (!wanted.pitchesValid()) {
        qCWarning(lcSettings) << "A4 out of range:" << hz;
        return false;
    }
    return setConversion(field, hz, changed);
}

bool GlobalSettings::set_algorithm(int algorithm)
{
    return setConversion(&ConversionSettings::algorithm, algorithm, &GlobalSettings::algorithmChanged);
}

bool GlobalSettings::set_audioFormat(int audioFormat)
{
    return setConversion(&ConversionSettings::audioFormat, audioFormat, &GlobalSettings::audioFormatChanged);
}

bool GlobalSettings::set_audioBitrate(int audioBitrate)
{
    return setConversion(&ConversionSettings::audioBitrate, audioBitrate, &GlobalSettings::audioBitrateChanged);
}

bool GlobalSettings::set_sourceFrequency(double sourceFrequency)
{
    return setPitch(&ConversionSettings::sourceFrequency, sourceFrequency, &GlobalSettings::sourceFrequencyChanged);
}

bool GlobalSettings::set_targetFrequency(double targetFrequency)
{
    return setPitch(&ConversionSettings::targetFrequency, targetFrequency, &GlobalSettings::targetFrequencyChanged);
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

QVariantMap GlobalSettings::values() const
{
    QVariantMap values;
    const QMetaObject *meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.isWritable())
            values.insert(QString::fromLatin1(property.name()), property.read(this));
    }
    return values;
}

void GlobalSettings::setValues(const QVariantMap &values)
{
    // The pitches are checked as a pair: the source first would be refused
    // where the target still lies more than two octaves away.
    for (const char *name : {"sourceFrequency", "targetFrequency", "sourceFrequency"})
        setProperty(name, values.value(QLatin1String(name)));
    const QString language = values.value(QStringLiteral("preferedLanguage")).toString();
    if (language != preferedLanguage())
        selectLanguage(language);
    for (auto it = values.begin(); it != values.end(); ++it)
        setProperty(it.key().toLatin1().constData(), it.value());
}

bool GlobalSettings::set_keepFormants(bool keepFormants)
{
    return setConversion(&ConversionSettings::keepFormants, keepFormants, &GlobalSettings::keepFormantsChanged);
}
