#pragma once

#include "engine/ConversionResult.h"
#include "engine/ConversionSettings.h"
#include "engine/TranslatableText.h"
#include "models/PropertyMacros.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

// One queued source file: where it is, where its output goes, the settings
// in force when it was queued, how far it has come, how it ended, and
// whether its removal was asked for (which also stops a running
// conversion). Its row's texts follow its state and the interface language.
//
// Conversion tasks on pool threads read filePath, targetDirectory, settings
// and deleteWhenFinished, and may write state and report progress; the rest
// belongs to the GUI thread.
class QueueEntry : public QObject
{
    Q_OBJECT

public:
    // The numbers are part of the QML interface.
    enum State : int {
        S_Pending = 0,
        S_Processing = 1,
        S_Finished = 2,
        S_Failed = 3,
        S_Skipped = 4  // its output existed already
    };
    Q_ENUM(State)

private:
    TW_READONLY_PROPERTY(QString, readableName)
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    TW_READONLY_PROPERTY(QString, filePath)
    TW_READONLY_PROPERTY(QString, targetDirectory)
    Q_PROPERTY(bool deleteWhenFinished READ deleteWhenFinished NOTIFY deleteWhenFinishedChanged)
    TW_READONLY_PROPERTY(double, progress)
    TW_READONLY_PROPERTY(QString, stateString)
    // The file name, or with as much of its folder as tells it from another
    // row's file of the same name ("CD2/Track 1.flac"); set by the list.
    TW_READONLY_PROPERTY(QString, displayName)
    // The state and what applies to it: "Pending · → 432 Hz · flac",
    // "Finished · → Song_0.flac", "Failed · <the reason>", ...
    TW_READONLY_PROPERTY(QString, statusText)
    // What the user should know about a finished file; empty when nothing.
    TW_READONLY_PROPERTY(QString, warningText)
    // Everything at full length: source, state, output path, warnings.
    TW_READONLY_PROPERTY(QString, toolTip)
    // The output written (finished) or found in the way (skipped).
    TW_READONLY_PROPERTY(QString, outputPath)

public:
    QueueEntry(const QString &filePath, const QString &targetDirectory, const ConversionSettings &settings,
               QObject *parent = nullptr);

    const ConversionSettings &settings() const { return m_settings; }

    State state() const { return State(m_state.load(std::memory_order_acquire)); }
    bool deleteWhenFinished() const { return m_deleteWhenFinished.load(std::memory_order_acquire); }
    // Seconds of audio converted; 0 until finished.
    double audioSeconds() const { return m_audioSeconds; }

    // The current translation of a state; empty for an unknown value.
    Q_INVOKABLE QString getStringForState(State state) const;

    // Takes over how the conversion ended, on the GUI thread: converted
    // becomes finished, a conversion stopped without being asked to counts
    // as failed.
    void applyResult(const ConversionResult &result);
    // A failed entry waits again, with the settings it had; false for any
    // other state.
    bool retry();

public Q_SLOTS:
    // Safe from any thread: stateChanged always reaches receivers in the
    // entry's own thread.
    bool update_state(State state);
    bool update_deleteWhenFinished(bool deleteWhenFinished);
    // Safe from any thread: the value reaches update_progress in the entry's
    // own thread. Reports that come faster than that thread takes them are
    // merged; the last one always arrives.
    void reportProgress(double progress);

private Q_SLOTS:
    void announceState(int state);
    void applyReportedProgress();
    void updateTexts();

Q_SIGNALS:
    void stateChanged(State state);
    void deleteWhenFinishedChanged(bool deleteWhenFinished);

private:
    QString pitchAndFormat() const;

    const ConversionSettings m_settings;
    std::atomic<int> m_state{S_Pending};
    std::atomic<bool> m_deleteWhenFinished{false};
    std::atomic<double> m_reportedProgress{0.0};
    std::atomic<bool> m_progressPosted{false};
    TranslatableText m_reason;
    QStringList m_warnings;
    double m_audioSeconds = 0.0;
    double m_measuredA4 = 0.0;  // Hz; 0 where the source's pitch was not measured
};
