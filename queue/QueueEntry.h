#pragma once

#include "engine/ConversionSettings.h"
#include "models/PropertyMacros.h"

#include <QObject>
#include <QString>

#include <atomic>

// One queued source file: where it is, where its output goes, the settings
// in force when it was queued, how far it has come, and whether its removal
// was asked for (which also stops a running conversion).
//
// Conversion tasks on pool threads read filePath, targetDirectory, settings
// and deleteWhenFinished and write state; the rest belongs to the GUI
// thread.
class QueueEntry : public QObject
{
    Q_OBJECT

public:
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

public:
    QueueEntry(const QString &filePath, const QString &targetDirectory, const ConversionSettings &settings,
               QObject *parent = nullptr);

    const ConversionSettings &settings() const { return m_settings; }

    State state() const { return State(m_state.load(std::memory_order_acquire)); }
    bool deleteWhenFinished() const { return m_deleteWhenFinished.load(std::memory_order_acquire); }

    // The current translation of a state; empty for an unknown value.
    Q_INVOKABLE QString getStringForState(State state) const;

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

Q_SIGNALS:
    void stateChanged(State state);
    void deleteWhenFinishedChanged(bool deleteWhenFinished);

private:
    const ConversionSettings m_settings;
    std::atomic<int> m_state{S_Pending};
    std::atomic<bool> m_deleteWhenFinished{false};
    std::atomic<double> m_reportedProgress{0.0};
    std::atomic<bool> m_progressPosted{false};
};
