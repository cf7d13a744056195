#pragma once

#include "engine/AppConstants.h"
#include "engine/ConversionSettings.h"
#include "models/PropertyMacros.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QTranslator>
#include <QUrl>

class KeyValueItemList;

// Every user setting, a few facts about the running program, and the
// interface catalogue. Loaded from the platform's settings store when built;
// written back only by saveSettings(). Used on the thread that made it:
// conversions get a copy of what they need, conversionSettings().
class GlobalSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isDesktopVersion READ isDesktopVersion CONSTANT)
    Q_PROPERTY(QString appName READ appName CONSTANT)
    Q_PROPERTY(QString appVersion READ appVersion CONSTANT)
    Q_PROPERTY(double devicePixelRatio READ devicePixelRatio CONSTANT)
    TW_READONLY_PROPERTY(double, bottomOffset)
    Q_PROPERTY(QString appRootPath READ appRootPath CONSTANT)
    TW_READONLY_PROPERTY(QString, lastMediaImportPath)
    TW_READONLY_PROPERTY(QString, lastMediaExportPath)
    TW_WRITABLE_PROPERTY(QString, preferedLanguage)
    Q_PROPERTY(AppConstants::Algorithm algorithm READ algorithm WRITE set_algorithm NOTIFY algorithmChanged)
    Q_PROPERTY(AppConstants::AudioFormat audioFormat READ audioFormat WRITE set_audioFormat NOTIFY audioFormatChanged)
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
    // Whether an import asks where its outputs go, or uses outputFolder.
    TW_WRITABLE_PROPERTY(bool, askForOutputFolder)
    TW_WRITABLE_PROPERTY(QString, outputFolder)

public:
    static constexpr const char *PathToken = "/::REPLACE_ME::";

    // The single instance, created without parent and loaded on first use.
    // Whoever owns it (the QML engine at shutdown) may delete it; the next
    // call then builds and loads a fresh one.
    static GlobalSettings *instance();
    ~GlobalSettings() override;

    bool isDesktopVersion() const { return false; }
    QString appName() const { return m_appName; }
    QString appVersion() const { return m_appVersion; }
    double devicePixelRatio() const { return m_devicePixelRatio; }
    QString appRootPath() const { return m_appRootPath; }

    AppConstants::Algorithm algorithm() const { return m_conversion.algorithm; }
    AppConstants::AudioFormat audioFormat() const { return m_conversion.audioFormat; }
    int audioBitrate() const { return m_conversion.audioBitrate; }
    double sourceFrequency() const { return m_conversion.sourceFrequency; }
    double targetFrequency() const { return m_conversion.targetFrequency; }
    int outputSampleRate() const { return m_conversion.sampleRate; }
    bool keepVideo() const { return m_conversion.keepVideo; }
    bool skipExistingOutputs() const { return m_conversion.skipExisting; }
    bool detectSourcePitch() const { return m_conversion.detectSourcePitch; }
    // What a file queued now converts with.
    ConversionSettings conversionSettings() const { return m_conversion; }

    // The stored form of a folder: forward slashes, the root folder replaced
    // by PathToken, so that it follows the documents folder when that moves.
    QString toPortablePath(const QString &path) const;
    QString fromPortablePath(const QString &path) const;

    Q_INVOKABLE bool isMobilePlatform() const { return false; }
    Q_INVOKABLE bool isSandboxed() const { return false; }
    Q_INVOKABLE KeyValueItemList *getSupportedLanguages(QObject *parent) const;
    Q_INVOKABLE QUrl convertToUrl(const QString &path) const;
    // Installs our catalogue and Qt's own for the language (the system's
    // for an empty code), makes its locale the default for numbers, and
    // retranslates the texts at once.
    Q_INVOKABLE void selectLanguage(const QString &shortCode);
    Q_INVOKABLE int nextUniqueWindowId() { return m_nextWindowId++; }
    Q_INVOKABLE void updateScreenBounds() {}

public Q_SLOTS:
    bool set_algorithm(AppConstants::Algorithm algorithm);
    bool set_audioFormat(AppConstants::AudioFormat audioFormat);
    bool set_audioBitrate(int audioBitrate);
    bool set_sourceFrequency(double sourceFrequency);
    bool set_targetFrequency(double targetFrequency);
    bool set_outputSampleRate(int outputSampleRate);
    bool set_keepVideo(bool keepVideo);
    bool set_skipExistingOutputs(bool skipExistingOutputs);
    bool set_detectSourcePitch(bool detectSourcePitch);
    void saveSettings();

Q_SIGNALS:
    void algorithmChanged(AppConstants::Algorithm algorithm);
    void audioFormatChanged(AppConstants::AudioFormat audioFormat);
    void audioBitrateChanged(int audioBitrate);
    void sourceFrequencyChanged(double sourceFrequency);
    void targetFrequencyChanged(double targetFrequency);
    void outputSampleRateChanged(int outputSampleRate);
    void keepVideoChanged(bool keepVideo);
    void skipExistingOutputsChanged(bool skipExistingOutputs);
    void detectSourcePitchChanged(bool detectSourcePitch);

private:
    GlobalSettings();
    void loadSettings();
    void fillInPath(QString &path) const;
    QString defaultRootFolder() const;
    // Stores one of the conversion settings; emits `changed` and returns
    // true when the value differs.
    template <typename T>
    bool setConversion(T ConversionSettings::*field, T value, void (GlobalSettings::*changed)(T));

    QString m_appName;
    QString m_appVersion;
    double m_devicePixelRatio = 1.0;
    QString m_appRootPath;
    QTranslator m_translator;
    QTranslator m_qtTranslator;  // Qt's own dialogs and buttons
    const QLocale m_systemLocale;  // "Auto": the default locale when made
    int m_nextWindowId = 0;
    ConversionSettings m_conversion;
};
