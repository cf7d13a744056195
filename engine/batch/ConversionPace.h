#pragma once

#include <QHash>

#include <deque>
#include <memory>

// How fast the queue converts, in seconds of audio per second over the last
// minute, and how long the rest takes at that pace.
//
// A file's length is known once it is converted; until then it counts as
// long as the average of those converted so far (or as one unit while none
// is). The pace is worked out from each file's share of progress with the
// lengths known at the time it is asked for, so a length learnt later
// corrects the past minute too. Times are milliseconds of a steady clock.
class ConversionPace
{
public:
    static constexpr qint64 WindowMs = 60000;
    // Less than this since the batch began tells nothing yet.
    static constexpr qint64 LeastMs = 5000;

    // Forgets everything: a batch begins at `now`.
    void restart(qint64 now);
    // The file `key` begins.
    void started(const void *key);
    // The running file has come to `fraction` (0 to 1); nothing for a file
    // not started.
    void progressed(const void *key, double fraction, qint64 now);
    // The file is converted, `seconds` long; the rest of it counts as done now.
    void converted(const void *key, double seconds, qint64 now);
    // The file ended otherwise (failed, skipped, stopped): nothing more of
    // it is to come.
    void dropped(const void *key);

    // Seconds until `waiting` files that have not begun and the running ones
    // are converted; negative when the pace is not known yet.
    double secondsLeft(int waiting, qint64 now) const;

private:
    using Length = std::shared_ptr<double>;  // seconds; 0 while unknown
    struct Step
    {
        qint64 time;
        double fraction;
        Length length;
    };
    struct Running
    {
        double fraction = 0.0;
        Length length;
    };

    Running &running(const void *key);
    double lengthOf(const Length &length) const;
    double averageLength() const;
    void forget(qint64 now);

    qint64 m_start = 0;
    std::deque<Step> m_steps;
    QHash<const void *, Running> m_running;
    double m_knownSeconds = 0.0;
    int m_knownFiles = 0;
};
