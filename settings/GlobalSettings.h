#pragma once

#include "AppConstants.h"
#include "PropertyMacros.h"

#include <QObject>
#include <QString>
#include <QTranslator>
#include <QUrl>

#include <atomic>

class KeyValueItemList;

// Every user setting, a few facts about the running program, and the
// interface catalogue. Loaded from the platform's settings store when built;
// written back only by saveSettings().
//
// Conversion jobs read the five values they need from worker threads while
// the GUI thread may change them: those live in atomics behind a sequence
// counter, and conversionSettings() returns them as one consistent set.
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

public:
    // What a conversion job needs, read together.
    struct ConversionSettings
    {
        AppConstants::Algorithm algorithm;
        AppConstants::AudioFormat audioFormat;
        int audioBitrate;
        double sourceFrequency;
        double targetFrequency;
    };

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

    // Safe from any thread.
    AppConstants::Algorithm algorithm() const;
    AppConstants::AudioFormat audioFormat() const;
    int audioBitrate() const;
    double sourceFrequency() const;
    double targetFrequency() const;
    ConversionSettings conversionSettings() const;

    // The stored form of a folder: forward slashes, the root folder replaced
    // by PathToken, so that it follows the documents folder when that moves.
    QString toPortablePath(const QString &path) const;
    QString fromPortablePath(const QString &path) const;

    Q_INVOKABLE bool isMobilePlatform() const { return false; }
    Q_INVOKABLE bool isSandboxed() const { return false; }
    Q_INVOKABLE KeyValueItemList *getSupportedLanguages(QObject *parent) const;
    Q_INVOKABLE QUrl convertToUrl(const QString &path) const;
    Q_INVOKABLE void selectLanguage(const QString &shortCode);
    Q_INVOKABLE int nextUniqueWindowId() { return m_nextWindowId++; }
    Q_INVOKABLE void updateScreenBounds() {}

public Q_SLOTS:
    bool set_algorithm(AppConstants::Algorithm algorithm);
    bool set_audioFormat(AppConstants::AudioFormat audioFormat);
    bool set_audioBitrate(int audioBitrate);
    bool set_sourceFrequency(double sourceFrequency);
    bool set_targetFrequency(double targetFrequency);
    void saveSettings();

Q_SIGNALS:
    void algorithmChanged(AppConstants::Algorithm algorithm);
    void audioFormatChanged(AppConstants::AudioFormat audioFormat);
    void audioBitrateChanged(int audioBitrate);
    void sourceFrequencyChanged(double sourceFrequency);
    void targetFrequencyChanged(double targetFrequency);

private:
    GlobalSettings();
    void loadSettings();
    void ensurePath(QString &path) const;
    QString defaultRootFolder() const;

    // Stores one of the job's values as a writer of the sequence counter;
    // returns whether it changed.
    template <typename T>
    bool storeShared(std::atomic<T> &field, T value);

    QString m_appName;
    QString m_appVersion;
    double m_devicePixelRatio = 1.0;
    QString m_appRootPath;
    QTranslator m_translator;
    int m_nextWindowId = 0;

    // Odd while the GUI thread is writing one of the fields below.
    std::atomic<unsigned> m_sequence{0};
    std::atomic<int> m_algorithm{AppConstants::A_Time};
    std::atomic<int> m_audioFormat{AppConstants::F_Mp3};
    std::atomic<int> m_audioBitrate{192};
    std::atomic<double> m_sourceFrequency{440.0};
    std::atomic<double> m_targetFrequency{432.0};
};
