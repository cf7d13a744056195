#pragma once

#include "base/FirstError.h"
#include "media/AudioEncoder.h"
#include "media/AudioInput.h"
#include "pipeline/ConversionSettings.h"
#include "pipeline/ProcessingChain.h"
#include "pipeline/ThreadedSink.h"

#include <QList>

#include <memory>
#include <optional>

class OutputContainer;
class OutputFormat;
class Packet;
class SourceFile;

// One audio stream of the source, retuned into a stream of the output:
// decoder, processing chain and encoder, the encoder on a thread of its own
// where asked.
class AudioTrack : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioTrack)

public:
    AudioTrack(const SourceFile &source, int stream, const ConversionSettings &settings);
    ~AudioTrack();

    // Opens the decoder, chooses the output's rate and resolution for the
    // format, and adds the encoder's stream to the output (before its header
    // is written). keepTimeline: the output stream starts where the source
    // stream does, as beside copied video, instead of at 0. headroomDb
    // lowers the limiter's ceiling further.
    bool open(const OutputFormat &format, OutputContainer &output, bool keepTimeline, bool encoderThread,
              double headroomDb = 0.0);

    // The source's stream.
    int stream() const { return m_stream; }
    // A packet of the source stream.
    bool feed(const Packet &packet);
    // The end of the source: everything still held goes out.
    bool finish();
    // Gives up; nothing more is written.
    void discard();

    // Things to know about a converted track, in words.
    QList<TranslatableText> warnings() const;
    // Seconds of source audio retuned.
    double seconds() const;
    // How far the source's timeline was read, in seconds.
    double timelineSeconds() const { return m_input.timelineSeconds(); }
    // The largest sample magnitude of the retuned audio, before encoding.
    float peak() const { return m_chain ? m_chain->peak() : 0.0f; }
    // The largest sample magnitude a decoder makes of the encoded track,
    // measured beside an encoder on its own thread for a lossy format; a
    // negative number when it was not measured.
    float decodedPeak() const { return m_encoder ? m_encoder->decodedPeak() : -1.0f; }

private:
    bool process(const float *samples, int frames);
    bool sinkFailed();

    const SourceFile &m_source;
    int m_stream;
    ConversionSettings m_settings;
    AudioInput m_input;
    std::optional<ProcessingChain> m_chain;
    std::unique_ptr<AudioEncoder> m_encoder;
    std::optional<ThreadedSink> m_threaded;
    AudioSink *m_sink = nullptr;
    int m_rate = 0;  // the processing's
    bool m_keepTimeline = false;
    bool m_started = false;
};
