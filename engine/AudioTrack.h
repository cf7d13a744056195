#pragma once

#include "engine/AudioDecoder.h"
#include "engine/ConversionSettings.h"
#include "engine/EncodingSink.h"
#include "engine/PacketPeak.h"
#include "engine/ProcessingChain.h"
#include "engine/ThreadedSink.h"
#include "engine/WorkingFormat.h"

#include "engine/TranslatableText.h"

#include <QStringList>

#include <memory>
#include <optional>

class OutputFile;
class OutputFormat;

// One audio stream of the source, retuned into a stream of the output:
// decoder, working format, processing chain and encoder, the encoder on a
// thread of its own where asked.
class AudioTrack
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioTrack)

public:
    AudioTrack(const AVStream *source, const QString &sourceName, const ConversionSettings &settings);
    ~AudioTrack();

    // Opens the decoder, chooses the output's rate and resolution for the
    // format, and adds the encoder's stream to the file (before its header
    // is written). keepTimeline: the output stream starts where the source
    // stream does, as beside copied video, instead of at 0.
    // headroomDb lowers the limiter's ceiling further.
    bool open(const OutputFormat &format, OutputFile &file, bool keepTimeline, bool encoderThread,
              double headroomDb = 0.0);

    int sourceIndex() const { return m_source->index; }
    // A packet of the source stream.
    bool feed(const AVPacket *packet);
    // The end of the source: everything still held goes out.
    bool finish();
    // Gives up; nothing more is written.
    void discard();

    TranslatableText error() const { return m_error; }
    // Things to know about a converted track, in words.
    QStringList warnings() const;
    // Seconds of source audio retuned.
    double seconds() const;
    // The largest sample magnitude of the retuned audio, before encoding.
    float peak() const { return m_chain ? m_chain->peak() : 0.0f; }
    // The largest sample magnitude a decoder makes of the encoded track,
    // measured beside an encoder on its own thread for a lossy format; a
    // negative number when it was not measured.
    float decodedPeak() const { return m_decodedPeak; }

private:
    bool fail(const TranslatableText &message);
    bool take(const AVFrame *frame, double gapSeconds);
    bool process(const float *samples, int frames);

    const AVStream *m_source;
    QString m_sourceName;
    ConversionSettings m_settings;
    AudioDecoder m_decoder;
    std::optional<WorkingFormat> m_working;
    std::optional<ProcessingChain> m_chain;
    std::unique_ptr<PacketPeak> m_packetPeak;  // before the encoder, which feeds it
    float m_decodedPeak = -1.0f;
    std::unique_ptr<EncodingSink> m_encoder;
    std::optional<ThreadedSink> m_threaded;
    AudioSink *m_sink = nullptr;
    std::vector<float> m_silence;
    int m_rate = 0;  // the processing's
    bool m_keepTimeline = false;
    bool m_started = false;
    TranslatableText m_error;
};
