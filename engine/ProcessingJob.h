#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QueueEntry;

// Converts the audio of one queued file into one retuned output file:
// decode, bring to 44100 Hz stereo, shift the pitch, encode, write.
//
// Runs once, synchronously, on the thread that calls run(). The output has
// the source's length and lines up with it in time; a run that fails or is
// stopped leaves no output file behind.
class ProcessingJob : public QObject
{
    Q_OBJECT

public:
    explicit ProcessingJob(QueueEntry *entry);
    ~ProcessingJob() override;

    // True when the whole input was converted. False when a step failed
    // (fileProcessingError tells which, for set-up steps) or when the entry's
    // stop request ended the run.
    bool run();

    // Whether peaks over full scale are limited (the default) or left to
    // clip; off only to compare against, in tests.
    void setPeakLimiting(bool enabled) { m_peakLimiting = enabled; }

    // The note value from which pitch shifts are derived: 9 minus the pitch
    // class counted from C, plus the deviation from the nearest
    // equal-tempered note in semitones. Octaves do not count. NaN for a
    // frequency that is not a positive number.
    static double frequencyToNote(double frequency);

    // The output path for a source base name in a target folder: the first of
    // dir/base.ext, dir/base_0.ext, dir/base_1.ext, ... that names neither a
    // file nor a folder. Reads the file system only.
    static QString targetFilePath(const QString &targetDirectory,
                                  const QString &baseName,
                                  const QString &extension);

Q_SIGNALS:
    void fileProcessingError(const QString &message);
    void progressUpdate(double progress);

private:
    class Run;
    friend class Run;

    QPointer<QueueEntry> m_entry;
    bool m_peakLimiting = true;
};
