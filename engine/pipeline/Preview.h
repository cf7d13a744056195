#pragma once

#include "base/FirstError.h"
#include "media/SourceFile.h"
#include "pipeline/ConversionSettings.h"

#include <QString>

#include <functional>

// What the player plays and `tunewise-cli --preview` writes: a source from
// any point, at its own pitch and retuned, frame for frame side by side.
// The retuned side is decoded as a conversion decodes and comes out of the
// conversion's own chain (its algorithm, shift, source pitch and limiter);
// only the encoder and the file are left out, so that from the start it
// holds the samples a conversion encodes. The original side is given the
// limiter's gain too: neither side sounds better for being louder.
class Preview : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(Preview)

public:
    static constexpr int Channels = 2;

    // Takes stereo frames of both sides; returns false when it has enough.
    class Sink
    {
    public:
        virtual ~Sink() = default;
        virtual bool write(const float *original, const float *retuned, int frames) = 0;
    };

    // measuredA4: the source's A4 as a conversion measured it (0: not
    // measured).
    Preview(const QString &sourcePath, const ConversionSettings &settings, double measuredA4 = 0.0);

    // Opens the source and, where the settings ask for its pitch to be
    // detected and none was measured, measures it as a conversion does.
    // False when it cannot be played; error() says why.
    bool open(const std::function<bool()> &stopRequested = {});
    // The settings it plays with, the source pitch measured where it was.
    const ConversionSettings &settings() const { return m_settings; }
    // Seconds of audio the source says it holds; 0 when it does not say.
    double durationSeconds() const { return m_source.durationSeconds(); }

    // Plays from `seconds` after the source's start at `sampleRate` (up to
    // 48 kHz, where both algorithms work at the rate they are given) until
    // the source ends, a stop is requested or the sink has enough. False
    // when it failed; error() says why.
    bool play(double seconds, int sampleRate, Sink &sink, const std::function<bool()> &stopRequested = {});

private:
    QString m_path;
    ConversionSettings m_settings;
    double m_measuredA4;
    SourceFile m_source;
};
