#pragma once

#include "base/TranslatableText.h"
#include "models/PropertyMacros.h"
#include "pipeline/ConversionResult.h"
#include "pipeline/ConversionSettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// One queued source file: where it is, where its output goes, the settings
// in force when it was queued, how far it has come, how it ended, and
// whether its removal was asked for (which also stops a running
// conversion). Its row's texts follow its state and the interface language.
// Lives on the GUI thread; the conversion itself runs in the batch runner.
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
    TW_READONLY_PROPERTY(State, state)
    TW_READONLY_PROPERTY(QString, filePath)
    TW_READONLY_PROPERTY(QString, targetDirectory)
    TW_READONLY_PROPERTY(bool, deleteWhenFinished)
    TW_READONLY_PROPERTY(double, progress)
    TW_READONLY_PROPERTY(QString, stateString)
    // The file name, or with as much of its folder as tells it from another
    // row's file of the same name ("CD2/Track 1.flac"); set by the list.
    TW_READONLY_PROPERTY(QString, displayName)
    // The state, the pitch and format it was queued with, and what applies
    // to it: "Pending · → 432 Hz · flac", "Finished · → 432 Hz · flac ·
    // Song_0.flac", "Failed · → 432 Hz · flac · <the reason>", ...
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
    // Seconds of audio converted; 0 until finished.
    double audioSeconds() const { return m_audioSeconds; }
    // The source's A4 as measured, in Hz; 0 where it was not.
    double measuredA4() const { return m_measuredA4; }
    // Why it failed, and what to know about it, in the language of the moment.
    QString reason() const { return m_reason.toString(); }
    QStringList warningTexts() const;
    // Whether it waits or ran again after failing.
    bool retried() const { return m_retried; }
    // Finished or skipped: its output is there, and "Remove finished" takes it.
    bool done() const { return m_state == S_Finished || m_state == S_Skipped; }
    // Converting or waiting: what cancelling stops or drops.
    bool unfinished() const { return m_state == S_Processing || m_state == S_Pending; }

    // The current translation of a state; empty for an unknown value.
    Q_INVOKABLE QString getStringForState(State state) const;

    // Takes over how the conversion ended: converted becomes finished, a
    // conversion stopped without being asked to counts as failed.
    void applyResult(const ConversionResult &result);
    // A failed entry waits again, with the settings it had; false for any
    // other state.
    bool retry();

private Q_SLOTS:
    void updateTexts();

private:
    QString pitchAndFormat() const;

    const ConversionSettings m_settings;
    TranslatableText m_reason;
    QList<TranslatableText> m_warnings;
    double m_audioSeconds = 0.0;
    double m_measuredA4 = 0.0;  // Hz; 0 where the source's pitch was not measured
    bool m_retried = false;
};
