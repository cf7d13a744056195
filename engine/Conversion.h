#pragma once

#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"

#include "engine/TranslatableText.h"


#include <functional>

// Converts one file: decodes its best audio stream, brings it to the
// working format, retunes it, limits its peaks and encodes it into a new
// file in the target folder. The output has the source's length and lines
// up with it in time; a conversion that fails or is stopped leaves no file.
//
// Runs synchronously on the calling thread, and on a second thread for the
// encoding when that pays (see EncoderThread).
class Conversion
{
    TW_DECLARE_TRANSLATABLE_TEXTS(Conversion)

public:
    enum class EncoderThread {
        Auto,    // while fewer conversions run in this process than it has cores
        Never,
        Always
    };

    explicit Conversion(ConversionRequest request);

    // Polled often; true ends the conversion as Stopped.
    void setStopCheck(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }
    // Gets the fraction done, from 0 to 1: about a hundred reports, rising,
    // the last one 1.0 for a converted file.
    void setProgressCallback(std::function<void(double)> progress) { m_progress = std::move(progress); }
    // Gets the source's length in seconds once it is open (0 when the
    // source does not tell).
    void setDurationCallback(std::function<void(double)> duration) { m_duration = std::move(duration); }
    void setEncoderThread(EncoderThread mode) { m_encoderThread = mode; }

    ConversionResult run();

private:
    bool useEncoderThread() const;
    static ConversionResult failed(const TranslatableText &message);
    // One conversion into the output file, with headroomDb more below the
    // limiter's usual ceiling. Where overshootDb is given and the decoded
    // lossy output goes over its maximum, the file is thrown away and
    // overshootDb says by how much.
    ConversionResult pass(const ConversionSettings &tuned, double measured, double headroomDb, double *overshootDb);
    // Skipped when the output's name without a number is taken by a
    // complete file; otherwise a result of no consequence.
    ConversionResult skipIfExists(const QString &baseName, const QString &extension) const;
    void report(double position);

    ConversionRequest m_request;
    std::function<bool()> m_stopRequested;
    std::function<void(double)> m_progress;
    std::function<void(double)> m_duration;
    EncoderThread m_encoderThread = EncoderThread::Auto;
    double m_reported = -1.0;
};
