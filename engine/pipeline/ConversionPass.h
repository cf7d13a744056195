#pragma once

#include "files/OutputFile.h"
#include "media/OutputContainer.h"
#include "pipeline/AudioTrack.h"
#include "pipeline/ConversionRequest.h"
#include "pipeline/ConversionResult.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class OutputFormat;
class SourceFile;

// One conversion of a source into one output file: the output's streams,
// the packets read once and copied or retuned, and the file published once
// it is whole. What fails or is stopped leaves no file.
class ConversionPass : private FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(ConversionPass)

public:
    struct Options
    {
        ConversionSettings tuned;  // with the source's measured pitch, where it was measured
        double measuredA4 = 0.0;
        // What the user should know already (a tuning that could not be
        // measured): the first warnings.
        QList<TranslatableText> notes;
        // Lowers the limiter's ceiling by this much more.
        double headroomDb = 0.0;
        // A lossy output whose decoded peak goes over its maximum is thrown
        // away, and overshootDb says by how much.
        bool checkOvershoot = false;
        bool encoderThread = false;
        std::function<bool()> stopRequested;
        std::function<void(double)> position;
    };

    ConversionPass(SourceFile &source, const ConversionRequest &request, Options options);

    ConversionResult run();

    // Skipped, where the request skips existing outputs and the output's
    // name without a number is taken by a file.
    static std::optional<ConversionResult> skipExisting(const ConversionRequest &request, const QString &extension);
    // After run(): how far the decoded output went over its maximum, in dB;
    // 0 when it did not (or was not checked).
    double overshootDb() const { return m_overshootDb; }

private:
    bool prepare(const OutputFormat &format, bool video, const QString &extension);
    bool addStreams(const OutputFormat &format, bool video);
    bool convertPackets();
    bool complete();
    bool overshoots();
    TranslatableText strictFailure() const;
    ConversionResult abandon();

    SourceFile &m_source;
    ConversionRequest m_request;
    Options m_options;
    OutputFile m_file;
    // Declared after the file: the container goes first.
    OutputContainer m_output;
    std::vector<std::unique_ptr<AudioTrack>> m_tracks;
    QList<TranslatableText> m_warnings;
    bool m_stopped = false;
    double m_overshootDb = 0.0;
};
