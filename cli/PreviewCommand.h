#pragma once

#include "pipeline/ConversionSettings.h"

#include <QString>

#include <functional>

class QCommandLineParser;

// tunewise-cli --preview: writes what the window's player plays of a file,
// from a point and for a while, into a WAV file of 32-bit floats: the
// original side, the retuned one, or both one after the other (the
// original first).
class PreviewCommand
{
public:
    enum class Side { Original, Retuned, Both };

    static void addOptions(QCommandLineParser &parser);
    // Reads its options, with the settings of the run; an empty string when
    // they are right, else what is wrong with them.
    QString read(const QCommandLineParser &parser, const ConversionSettings &settings);
    // Whether the command line asks for a preview.
    bool asked() const { return !m_source.isEmpty(); }

    // Returns the exit status: 0 written, 1 failed (said on stderr), 128 +
    // the signal when stopped (nothing is written then).
    int run(const std::function<int()> &stopSignal) const;

private:
    QString m_source;
    QString m_output;
    ConversionSettings m_settings;
    double m_at = 0.0;
    double m_seconds = 0.0;  // 0: to the end
    Side m_side = Side::Both;
};
