#pragma once

#include "models/PropertyMacros.h"
#include "pipeline/ConversionSettings.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QTranslator>
#include <QVariantMap>

// Every user setting, and the interface's catalogue. Loaded from the
// platform's settings store when built; written back only by
// saveSettings(). Used on the thread that made it: conversions get a copy
// of what they need, conversionSettings().
class GlobalSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString appName READ appName CONSTANT)
    TW_READONLY_PROPERTY(QString, lastMediaImportPath)
    TW_READONLY_PROPERTY(QString, lastMediaExportPath)
    TW_WRITABLE_PROPERTY(QString, preferedLanguage)
    // A PitchAlgorithm's id and an OutputFormat's id.
    Q_PROPERTY(int algorithm READ algorithm WRITE set_algorithm NOTIFY algorithmChanged)
    Q_PROPERTY(int audioFormat READ audioFormat WRITE set_audioFormat NOTIFY audioFormatChanged)
    Q_PROPERTY(int audioBitrate READ audioBitrate WRITE set_audioBitrate NOTIFY audioBitrateChanged)
    Q_PROPERTY(double sourceFrequency READ sourceFrequency WRITE set_sourceFrequency NOTIFY sourceFrequencyChanged)
    Q_PROPERTY(double targetFrequency READ targetFrequency WRITE set_targetFrequency NOTIFY targetFrequencyChanged)
    TW_WRITABLE_PROPERTY(QString, fileFilter)
    // Hz, or ConversionSettings::SourceRate
    Q_PROPERTY(int outputSampleRate READ outputSampleRate WRITE set_outputSampleRate NOTIFY outputSampleRateChanged)
    Q_PROPERTY(bool keepVideo READ keepVideo WRITE set_keepVideo NOTIFY keepVideoChanged)
    Q_PROPERTY(bool skipExistingOutputs READ skipExistingOutputs WRITE set_skipExistingOutputs
                   NOTIFY skipExistingOutputsChanged)
    Q_PROPERTY(bool detectSourcePitch READ detectSourcePitch WRITE set_detectSourcePitch
                   NOTIFY detectSourcePitchChanged)
    // Voices keep their formants, with an algorithm that can.
    Q_PROPERTY(bool keepFormants READ keepFormants WRITE set_keepFormants NOTIFY keepFormantsChanged)
    // Whether every import asks where its outputs go, or all go into
    // outputFolder; while that is empty, the next import asks and sets it.
    TW_WRITABLE_PROPERTY(bool, askForOutputFolder)
    TW_WRITABLE_PROPERTY(QString, outputFolder)
    // Whether the window brings back the queue it had when it last ended.
    TW_WRITABLE_PROPERTY(bool, restoreQueue)
    // The main window's size and place (QWidget::saveGeometry).
    TW_WRITABLE_PROPERTY(QByteArray, windowGeometry)

public:
    // The stored form of the root folder (see toPortablePath).
    static constexpr const char *PathToken = "/::REPLACE_ME::";

    // The single instance, created without parent and loaded on first use.
    // Whoever owns it (the QML engine at shutdown) may delete it; the next
    // call then builds and loads a fresh one.
    static GlobalSettings *instance();
    ~GlobalSettings() override;

    QString appName() const { return m_appName; }
    // The default folder of imports and outputs: the program's folder in
    // the documents folder.
    QString appRootPath() const { return m_appRootPath; }

    int algorithm() const { return m_conversion.algorithm; }
    int audioFormat() const { return m_conversion.audioFormat; }
    int audioBitrate() const { return m_conversion.audioBitrate; }
    double sourceFrequency() const { return m_conversion.sourceFrequency; }
    double targetFrequency() const { return m_conversion.targetFrequency; }
    int outputSampleRate() const { return m_conversion.sampleRate; }
    bool keepVideo() const { return m_conversion.keepVideo; }
    bool skipExistingOutputs() const { return m_conversion.skipExisting; }
    bool detectSourcePitch() const { return m_conversion.detectSourcePitch; }
    bool keepFormants() const { return m_conversion.keepFormants; }
    // What a file queued now converts with.
    ConversionSettings conversionSettings() const { return m_conversion; }

    // The stored form of a folder: the root folder replaced by PathToken,
    // so that it follows the documents folder when that moves.
    QString toPortablePath(const QString &path) const;
    QString fromPortablePath(const QString &path) const;

    // Every setting by its property name, and back: what a dialog restores
    // when its changes are cancelled.
    QVariantMap values() const;
    void setValues(const QVariantMap &values);

    // Installs our catalogue and Qt's own for the language (the system's
    // for an empty code), makes its locale the default for numbers, and
    // tells the interface (Translator::languageChanged).
    Q_INVOKABLE void selectLanguage(const QString &shortCode);

public Q_SLOTS:
    bool set_algorithm(int algorithm);
    bool set_audioFormat(int audioFormat);
    bool set_audioBitrate(int audioBitrate);
    bool set_sourceFrequency(double sourceFrequency);
    bool set_targetFrequency(double targetFrequency);
    bool set_outputSampleRate(int outputSampleRate);
    bool set_keepVideo(bool keepVideo);
    bool set_skipExistingOutputs(bool skipExistingOutputs);
    bool set_detectSourcePitch(bool detectSourcePitch);
    bool set_keepFormants(bool keepFormants);
    void saveSettings();

Q_SIGNALS:
    void algorithmChanged(int algorithm);
    void audioFormatChanged(int audioFormat);
    void audioBitrateChanged(int audioBitrate);
    void sourceFrequencyChanged(double sourceFrequency);
    void targetFrequencyChanged(double targetFrequency);
    void outputSampleRateChanged(int outputSampleRate);
    void keepVideoChanged(bool keepVideo);
    void skipExistingOutputsChanged(bool skipExistingOutputs);
    void detectSourcePitchChanged(bool detectSourcePitch);
    void keepFormantsChanged(bool keepFormants);

private:
    // One stored setting: its key and default, and how its value goes
    // between the object and the store.
    struct Stored
    {
        const char *key;
        QVariant defaultValue;
        QVariant (*save)(const GlobalSettings &settings);
        void (*load)(GlobalSettings &settings, const QVariant &value);
    };
    static const QVector<Stored> &storedSettings();

    GlobalSettings();
    void loadSettings();
    QString loadedFolder(const QVariant &stored) const;
    // Stores one of the conversion settings; emits `changed` and returns
    // true when the value differs.
    template <typename T>
    bool setConversion(T ConversionSettings::*field, T value, void (GlobalSettings::*changed)(T));
    bool setPitch(double ConversionSettings::*field, double hz, void (GlobalSettings::*changed)(double));

    QString m_appName;
    QString m_appRootPath;
    QTranslator m_translator;
    QTranslator m_qtTranslator;  // Qt's own dialogs and buttons
    const QLocale m_systemLocale;  // "Auto": the default locale when made
    ConversionSettings m_conversion;
};
