#include "batch/ConversionPace.h"

#include <algorithm>

void ConversionPace::restart(qint64 now)
{
    m_start = now;
    m_steps.clear();
    m_running.clear();
    m_knownSeconds = 0.0;
    m_knownFiles = 0;
}

ConversionPace::Running &ConversionPace::running(const void *key)
{
    Running &file = m_running[key];
    if (!file.length)
        file.length = std::make_shared<double>(0.0);
    return file;
}

void ConversionPace::started(const void *key)
{
    running(key);
}

void ConversionPace::progressed(const void *key, double fraction, qint64 now)
{
    // Late reports of a file that has ended add nothing.
    const auto found = m_running.find(key);
    if (found == m_running.end())
        return;
    Running &file = *found;
    if (fraction > file.fraction) {
        m_steps.push_back({now, fraction - file.fraction, file.length});
        file.fraction = fraction;
    }
    forget(now);
}

void ConversionPace::converted(const void *key, double seconds, qint64 now)
{
    Running &file = running(key);
    if (seconds > 0.0) {
        *file.length = seconds;
        m_knownSeconds += seconds;
        ++m_knownFiles;
    }
    if (file.fraction < 1.0)
        m_steps.push_back({now, 1.0 - file.fraction, file.length});
    m_running.remove(key);
    forget(now);
}

void ConversionPace::dropped(const void *key)
{
    m_running.remove(key);
}

double ConversionPace::lengthOf(const Length &length) const
{
    return *length > 0.0 ? *length : averageLength();
}

double ConversionPace::averageLength() const
{
    return m_knownFiles > 0 ? m_knownSeconds / m_knownFiles : 1.0;
}

void ConversionPace::forget(qint64 now)
{
    while (!m_steps.empty() && m_steps.front().time <= now - WindowMs)
        m_steps.pop_front();
}

double ConversionPace::secondsLeft(int waiting, qint64 now) const
{
    const qint64 span = std::min(WindowMs, now - m_start);
    if (span < LeastMs)
        return -1.0;
    double done = 0.0;
    for (const Step &step : m_steps) {
        if (step.time > now - WindowMs)
            done += step.fraction * lengthOf(step.length);
    }
    if (done <= 0.0)
        return -1.0;
    double left = waiting * averageLength();
    for (const Running &file : m_running)
        left += (1.0 - file.fraction) * lengthOf(file.length);
    return left / (done / (span / 1000.0));
}
