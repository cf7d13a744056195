#pragma once

#include "pipeline/ConversionRequest.h"
#include "pipeline/ConversionResult.h"

#include <functional>
#include <memory>
#include <optional>

class SourceFile;

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
    // What the source's own pitch makes of the settings.
    struct Tuning
    {
        ConversionSettings settings;
        double measuredA4 = 0.0;
        QList<TranslatableText> notes;
    };

    bool useEncoderThread() const;
    static ConversionResult failed(const TranslatableText &message);
    // A result without converting: settings no conversion takes, an output
    // that exists, a source that cannot be read or is an output of ours.
    std::optional<ConversionResult> refusal() const;
    std::optional<ConversionResult> refusalOf(const SourceFile &source) const;
    std::optional<Tuning> measureTuning(const SourceFile &source) const;
    ConversionResult convert(std::unique_ptr<SourceFile> source, const Tuning &tuning);
    void report(double position);

    ConversionRequest m_request;
    std::function<bool()> m_stopRequested;
    std::function<void(double)> m_progress;
    std::function<void(double)> m_duration;
    EncoderThread m_encoderThread = EncoderThread::Auto;
    double m_reported = -1.0;
};
