#include "ProcessingJob.h"

#include "AppConstants.h"
#include "FFmpegPointers.h"
#include "GlobalSettings.h"
#include "OutputFormat.h"
#include "PeakLimiter.h"
#include "QueueEntry.h"
#include "RubberbandPlugin.h"
#include "SampleConverter.h"
#include "SoundTouchPlugin.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
}

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

namespace {

constexpr int WorkingRate = OutputFormat::SampleRate;
constexpr int WorkingChannels = OutputFormat::Channels;
constexpr int BufferFrames = SampleConverter::CapacityFrames;

struct AudioFifoDeleter {
    void operator()(AVAudioFifo *fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

AVChannelLayout stereoLayout()
{
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, WorkingChannels);
    return layout;
}

} // namespace

// Everything one conversion holds, released in reverse order of creation
// whichever way the run ends.
class ProcessingJob::Run
{
public:
    explicit Run(ProcessingJob &job);
    ~Run();

    bool execute();

private:
    enum class Flow { Continue, Stop, Fail };

    bool setUp();
    bool createOutputFile();
    bool setUpOutput();
    Flow convert();
    Flow receiveDecodedFrames();
    Flow decodedFrame(AVFrame *frame);
    Flow toFloat(const uint8_t *samples, int frames);
    Flow exchange(const float *samples, int frames);
    Flow takeProcessed();
    Flow keepProcessed(float *samples, int frames);
    Flow encodeQueued(bool last);
    Flow sendFrame(int frames);
    Flow writePackets();
    Flow finishStream();
    void reportProgress(const AVFrame *frame);
    bool stopRequested() const;
    bool fail(const QString &message);
    void discardOutput();

    ProcessingJob &m_job;
    QString m_filePath;
    QString m_targetDirectory;
    GlobalSettings::ConversionSettings m_settings{};
    std::unique_ptr<TempoPitchProcessorPlugin> m_processor;
    PeakLimiter m_limiter = PeakLimiter::forRate(WorkingRate, WorkingChannels);
    const OutputFormat *m_format = nullptr;
    const AVCodec *m_encoderCodec = nullptr;

    // input side
    ff::InputFormatPtr m_input;
    int m_streamIndex = -1;
    AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_decoder;
    ff::FramePtr m_decoded;
    ff::PacketPtr m_packet;

    // output side; the container is declared after its I/O context so that
    // it goes first
    QString m_outputPath;
    bool m_outputCreated = false;
    ff::IoContextPtr m_io;
    ff::OutputFormatPtr m_output;
    AVStream *m_outStream = nullptr;
    ff::CodecContextPtr m_encoder;
    ff::FramePtr m_exportFrame;
    ff::PacketPtr m_outPacket;
    int m_frameSize = 0;
    bool m_smallLastFrame = false;

    // the road between them: source -> 16-bit stereo 44.1 kHz -> float ->
    // processor -> queue of whole encoder frames -> encoder format
    SampleConverter m_inputConverter;
    SampleConverter m_floatConverter;
    ff::ResamplerPtr m_outputConverter;
    std::vector<float> m_processed;
    std::vector<float> m_frameSamples;
    AudioFifoPtr m_queue;

    long long m_framesIn = 0;       // frames put into the processor
    long long m_framesQueued = 0;   // processed frames kept for the output
    long long m_framesEncoded = 0;  // frames sent to the encoder
    int m_delayToDrop = 0;          // processor and limiter delay still to drop

    double m_durationSeconds = 0.0;  // 0 when unknown
    double m_timeBase = 0.0;
    int m_progressStep = 0;
    int m_nextMark = 0;
};

ProcessingJob::Run::Run(ProcessingJob &job)
    : m_job(job)
{
}

ProcessingJob::Run::~Run()
{
    // Close the output before anything can remove it.
    m_output.reset();
    m_io.reset();
}

bool ProcessingJob::Run::stopRequested() const
{
    // A destroyed entry cannot want its output any more.
    return !m_job.m_entry || m_job.m_entry->deleteWhenFinished();
}

bool ProcessingJob::Run::fail(const QString &message)
{
    Q_EMIT m_job.fileProcessingError(message);
    return false;
}

// Only ever the file this run created exclusively.
void ProcessingJob::Run::discardOutput()
{
    m_output.reset();
    m_io.reset();
    if (m_outputCreated && !QFile::remove(m_outputPath))
        qWarning() << "Could not remove the unfinished output" << m_outputPath;
    m_outputCreated = false;
}

bool ProcessingJob::Run::execute()
{
    if (!m_job.m_entry)
        return false;
    m_filePath = m_job.m_entry->filePath();
    m_targetDirectory = m_job.m_entry->targetDirectory();

    if (!setUp()) {
        discardOutput();
        return false;
    }
    const Flow flow = convert();
    if (flow != Flow::Continue) {
        discardOutput();
        return false;
    }
    Q_EMIT m_job.progressUpdate(1.0);
    return true;
}

bool ProcessingJob::Run::setUp()
{
    m_settings = GlobalSettings::instance()->conversionSettings();

    // The processor, and with it the pitch shift.
    const double sourceNote = frequencyToNote(m_settings.sourceFrequency);
    const double targetNote = frequencyToNote(m_settings.targetFrequency);
    if (std::isnan(sourceNote) || std::isnan(targetNote)) {
        return fail(tr("Invalid concert pitch: source %1 Hz, target %2 Hz.")
                        .arg(m_settings.sourceFrequency)
                        .arg(m_settings.targetFrequency));
    }
    switch (m_settings.algorithm) {
    case AppConstants::A_Time:
        m_processor = std::make_unique<SoundTouchPlugin>(WorkingRate, WorkingChannels);
        break;
    case AppConstants::A_Frequency:
        m_processor = std::make_unique<RubberbandPlugin>(WorkingRate, WorkingChannels);
        break;
    }
    if (!m_processor)
        return fail(tr("Unknown pitch-shifting algorithm: %1.").arg(int(m_settings.algorithm)));
    m_processor->setTempo(1.0);
    m_processor->setPitchSemiTones(targetNote - sourceNote);
    m_delayToDrop = m_processor->startDelay() + (m_job.m_peakLimiting ? m_limiter.latency() : 0);

    // The input and its best audio stream.
    {
        AVFormatContext *raw = nullptr;
        const int r = avformat_open_input(&raw, QFile::encodeName(m_filePath).constData(), nullptr, nullptr);
        if (r != 0)
            return fail(tr("Error open source file: %1, '%2'.").arg(QString::number(r), m_filePath));
        m_input.reset(raw);
    }
    int r = avformat_find_stream_info(m_input.get(), nullptr);
    if (r < 0) {
        return fail(tr("Error finding stream information: %1 (stream count: %2).")
                        .arg(QString::number(r), QString::number(m_input->nb_streams)));
    }
    m_streamIndex = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_streamIndex < 0)
        return fail(tr("The file does not contain audio data."));
    m_stream = m_input->streams[m_streamIndex];
    m_timeBase = av_q2d(m_stream->time_base);

    const AVCodec *decoder = avcodec_find_decoder(m_stream->codecpar->codec_id);
    if (!decoder)
        return fail(tr("Could not find an audio decoder for the audio file."));
    m_decoder.reset(avcodec_alloc_context3(decoder));
    if (!m_decoder)
        return fail(tr("Error opening audio codec: %1.").arg(AVERROR(ENOMEM)));
    if (avcodec_parameters_to_context(m_decoder.get(), m_stream->codecpar) < 0)
        qWarning() << "Error avcodec_parameters_to_context";
    if (m_decoder->sample_fmt != AV_SAMPLE_FMT_S16)
        m_decoder->request_sample_fmt = AV_SAMPLE_FMT_S16;
    m_decoder->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if ((r = avcodec_open2(m_decoder.get(), decoder, nullptr)) < 0)
        return fail(tr("Error opening audio codec: %1.").arg(r));

    // The output.
    if (!QFileInfo(m_targetDirectory).isDir() && !QDir().mkpath(m_targetDirectory)) {
        qWarning() << "Error creating target folder: " << m_targetDirectory;
        return false;
    }
    m_format = OutputFormat::find(m_settings.audioFormat);
    m_encoderCodec = m_format ? m_format->findEncoder() : nullptr;
    if (!m_encoderCodec)
        return fail(tr("Export codec not found."));
    if (!createOutputFile() || !setUpOutput())
        return false;

    // Progress: a tenth of the duration per step. Without a duration for
    // the stream, the container's serves; without either, the only report
    // is the last.
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
        m_durationSeconds = double(m_stream->duration) * m_timeBase;
    else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        m_durationSeconds = double(m_input->duration) / AV_TIME_BASE;
    m_progressStep = int(m_durationSeconds / 10.0);
    m_nextMark = 0;

    // The converters after the decoder's own: 16-bit to float, float to the
    // encoder's format. The first is set up from the first decoded frame.
    AVChannelLayout stereo = stereoLayout();
    if ((r = m_floatConverter.configure(stereo, AV_SAMPLE_FMT_S16, WorkingRate, stereo, AV_SAMPLE_FMT_FLT,
                                        WorkingRate)) < 0) {
        qWarning() << "SwrContext (float in) init failed: " << r;
        return false;
    }
    {
        SwrContext *raw = nullptr;
        r = swr_alloc_set_opts2(&raw, &m_encoder->ch_layout, m_encoder->sample_fmt, m_encoder->sample_rate,
                                &stereo, AV_SAMPLE_FMT_FLT, WorkingRate, 0, nullptr);
        m_outputConverter.reset(raw);
        if (r >= 0)
            r = swr_init(m_outputConverter.get());
        if (r < 0) {
            qWarning() << "SwrContext (float in) init failed: " << r;
            return false;
        }
    }
    m_processed.resize(size_t(BufferFrames) * WorkingChannels);
    m_frameSamples.resize(size_t(m_frameSize) * WorkingChannels);
    m_queue.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLT, WorkingChannels, BufferFrames + m_frameSize));
    m_decoded.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    m_outPacket.reset(av_packet_alloc());
    if (!m_queue || !m_decoded || !m_packet || !m_outPacket) {
        qWarning() << "Out of memory";
        return false;
    }
    return true;
}

// Claims the output name by creating the file exclusively: a name another
// job (or anyone) took in the meantime is skipped, and an existing file is
// never opened for writing.
bool ProcessingJob::Run::createOutputFile()
{
    const QString baseName = QFileInfo(m_filePath).completeBaseName();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        m_outputPath = targetFilePath(m_targetDirectory, baseName, m_format->extension());
        const int fd = ::open(QFile::encodeName(m_outputPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              0666);
        if (fd >= 0) {
            ::close(fd);
            m_outputCreated = true;
            return true;
        }
        if (errno != EEXIST)
            return fail(tr("Error opening audio write codec: %1.").arg(AVERROR(errno)));
    }
    return fail(tr("Error opening audio write codec: %1.").arg(AVERROR(EEXIST)));
}

bool ProcessingJob::Run::setUpOutput()
{
    const QByteArray path = QFile::encodeName(m_outputPath);
    {
        AVIOContext *raw = nullptr;
        const int r = avio_open(&raw, path.constData(), AVIO_FLAG_WRITE);
        if (r < 0)
            return fail(tr("Error opening audio write codec: %1.").arg(r));
        m_io.reset(raw);
    }
    {
        AVFormatContext *raw = nullptr;
        // The extension chooses the container.
        if (avformat_alloc_output_context2(&raw, nullptr, nullptr, path.constData()) < 0 || !raw)
            return fail(tr("Could not find export file format."));
        m_output.reset(raw);
        m_output->pb = m_io.get();
    }
    m_outStream = avformat_new_stream(m_output.get(), nullptr);
    m_encoder.reset(avcodec_alloc_context3(m_encoderCodec));
    if (!m_outStream || !m_encoder)
        return fail(tr("Could not create new export stream."));

    const int kbps = m_format->clampBitrate(m_settings.audioBitrate);
    if (kbps != m_settings.audioBitrate) {
        qWarning() << "Bit rate" << m_settings.audioBitrate << "kbit/s is out of range for" << m_format->extension()
                   << "- using" << kbps;
    }
    OutputFormat::configureEncoder(m_encoder.get(), m_encoderCodec, kbps, m_output->oformat);
    if (avcodec_open2(m_encoder.get(), m_encoderCodec, nullptr) < 0
        || avcodec_parameters_from_context(m_outStream->codecpar, m_encoder.get()) < 0) {
        return fail(tr("Could not open export codec."));
    }
    m_outStream->time_base = m_encoder->time_base;

    m_frameSize = OutputFormat::exportFrameSize(m_encoder.get());
    m_smallLastFrame = m_encoderCodec->capabilities
                       & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    m_exportFrame.reset(av_frame_alloc());
    if (!m_exportFrame)
        return fail(tr("Error gettings export frame buffer."));
    m_exportFrame->nb_samples = m_frameSize;
    m_exportFrame->format = m_encoder->sample_fmt;
    m_exportFrame->sample_rate = m_encoder->sample_rate;
    av_channel_layout_copy(&m_exportFrame->ch_layout, &m_encoder->ch_layout);
    if (av_frame_get_buffer(m_exportFrame.get(), 0) < 0)
        return fail(tr("Error gettings export frame buffer."));

    // Container tags (title, artist, ...); stream tags stay behind.
    if (m_input->metadata)
        av_dict_copy(&m_output->metadata, m_input->metadata, 0);

    if (avformat_write_header(m_output.get(), nullptr) < 0)
        return fail(tr("Error while writing export file header."));
    return true;
}

ProcessingJob::Run::Flow ProcessingJob::Run::convert()
{
    for (;;) {
        if (stopRequested())
            return Flow::Stop;
        const int r = av_read_frame(m_input.get(), m_packet.get());
        if (r < 0) {
            if (r != AVERROR_EOF)
                qWarning() << "Reading the source ended early:" << ff::errorText(r);
            qDebug() << "End of stream (export): " << m_filePath;
            break;
        }
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet.get());
            continue;
        }
        const int sent = avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (sent < 0) {
            qDebug() << "avcodec_send_packet problem.";
            continue;
        }
        const Flow flow = receiveDecodedFrames();
        if (flow != Flow::Continue)
            return flow;
    }
    return finishStream();
}

// Drains every stage in order, so that nothing still held reaches the end
// of the file unwritten.
ProcessingJob::Run::Flow ProcessingJob::Run::finishStream()
{
    avcodec_send_packet(m_decoder.get(), nullptr);
    Flow flow = receiveDecodedFrames();
    if (flow != Flow::Continue)
        return flow;

    auto intoFloat = [this, &flow](const uint8_t *samples, int frames) {
        flow = toFloat(samples, frames);
        return flow == Flow::Continue;
    };
    if (m_inputConverter.isConfigured() && m_inputConverter.flush(intoFloat) < 0)
        return Flow::Fail;
    if (flow != Flow::Continue)
        return flow;
    auto intoProcessor = [this, &flow](const uint8_t *samples, int frames) {
        flow = exchange(reinterpret_cast<const float *>(samples), frames);
        return flow == Flow::Continue;
    };
    if (m_floatConverter.flush(intoProcessor) < 0)
        return Flow::Fail;
    if (flow != Flow::Continue)
        return flow;

    m_processor->finish();
    if ((flow = takeProcessed()) != Flow::Continue)
        return flow;
    // What is still inside the limiter's look-ahead.
    if (m_job.m_peakLimiting) {
        std::fill_n(m_processed.begin(), size_t(m_limiter.latency()) * WorkingChannels, 0.0f);
        if ((flow = keepProcessed(m_processed.data(), m_limiter.latency())) != Flow::Continue)
            return flow;
        if (m_limiter.smallestGain() < 1.0) {
            qDebug().nospace() << "Limiter: up to " << -20.0 * std::log10(m_limiter.smallestGain())
                               << " dB of gain reduction in " << m_filePath;
        }
    }
    if (m_framesQueued < m_framesIn) {
        qWarning() << "The processor returned" << m_framesQueued << "of" << m_framesIn << "frames";
        return Flow::Fail;
    }
    if ((flow = encodeQueued(true)) != Flow::Continue)
        return flow;

    avcodec_send_frame(m_encoder.get(), nullptr);
    if ((flow = writePackets()) != Flow::Continue)
        return flow;
    if (av_write_trailer(m_output.get()) < 0) {
        qWarning() << "Error av_write_trailer";
        return Flow::Fail;
    }
    if (m_io && m_io->error < 0) {
        qWarning() << "Error writing the output:" << ff::errorText(m_io->error);
        return Flow::Fail;
    }
    return Flow::Continue;
}

ProcessingJob::Run::Flow ProcessingJob::Run::receiveDecodedFrames()
{
    for (;;) {
        if (stopRequested())
            return Flow::Stop;
        const int r = avcodec_receive_frame(m_decoder.get(), m_decoded.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return Flow::Continue;
        if (r < 0) {
            qDebug() << "Decoding failed:" << ff::errorText(r);
            return Flow::Continue;
        }
        reportProgress(m_decoded.get());
        const Flow flow = decodedFrame(m_decoded.get());
        av_frame_unref(m_decoded.get());
        if (flow != Flow::Continue)
            return flow;
    }
}

void ProcessingJob::Run::reportProgress(const AVFrame *frame)
{
    if (m_durationSeconds <= 0.0 || frame->pts == AV_NOPTS_VALUE)
        return;
    const double seconds = double(frame->pts) * m_timeBase;
    if (seconds > m_nextMark) {
        m_nextMark += m_progressStep;
        Q_EMIT m_job.progressUpdate(std::min(1.0, m_nextMark / m_durationSeconds));
    }
}

// Brings a decoded frame to 16-bit stereo at 44.1 kHz. The converter follows
// what the decoder really delivers, which may change within a stream.
ProcessingJob::Run::Flow ProcessingJob::Run::decodedFrame(AVFrame *frame)
{
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&layout, &frame->ch_layout);
    const AVChannelLayout stereo = stereoLayout();
    const AVSampleFormat format = AVSampleFormat(frame->format);
    const bool working = format == AV_SAMPLE_FMT_S16 && frame->sample_rate == WorkingRate
                         && av_channel_layout_compare(&layout, &stereo) == 0;

    Flow flow = Flow::Continue;
    auto intoFloat = [this, &flow](const uint8_t *samples, int frames) {
        flow = toFloat(samples, frames);
        return flow == Flow::Continue;
    };
    // Whatever the previous converter still holds belongs before this frame.
    if (m_inputConverter.isConfigured() && !m_inputConverter.accepts(layout, format, frame->sample_rate)) {
        const int r = m_inputConverter.flush(intoFloat);
        m_inputConverter.release();
        if (r < 0 || flow != Flow::Continue) {
            av_channel_layout_uninit(&layout);
            return r < 0 ? Flow::Fail : flow;
        }
    }
    if (working) {
        av_channel_layout_uninit(&layout);
        return toFloat(frame->extended_data[0], frame->nb_samples);
    }
    if (!m_inputConverter.isConfigured()) {
        const int r = m_inputConverter.configure(layout, format, frame->sample_rate, stereo, AV_SAMPLE_FMT_S16,
                                                 WorkingRate);
        if (r < 0) {
            qWarning() << "SwrContext init failed: " << r;
            av_channel_layout_uninit(&layout);
            return Flow::Fail;
        }
    }
    av_channel_layout_uninit(&layout);
    if (m_inputConverter.convert(frame->extended_data, frame->nb_samples, intoFloat) < 0) {
        qDebug() << "Error swr_convert.";
        return Flow::Fail;
    }
    return flow;
}

ProcessingJob::Run::Flow ProcessingJob::Run::toFloat(const uint8_t *samples, int frames)
{
    Flow flow = Flow::Continue;
    auto intoProcessor = [this, &flow](const uint8_t *converted, int n) {
        flow = exchange(reinterpret_cast<const float *>(converted), n);
        return flow == Flow::Continue;
    };
    if (m_floatConverter.convert(&samples, frames, intoProcessor) < 0) {
        qDebug() << "Error swr_convert (s->f).";
        return Flow::Fail;
    }
    return flow;
}

ProcessingJob::Run::Flow ProcessingJob::Run::exchange(const float *samples, int frames)
{
    if (stopRequested())
        return Flow::Stop;
    if (frames > 0) {
        m_processor->putSamples(samples, frames, WorkingChannels);
        m_framesIn += frames;
    }
    return takeProcessed();
}

// Takes what the processor has ready: its start delay is dropped, and never
// more is kept than went in, so the output has the input's length and lines
// up with it.
ProcessingJob::Run::Flow ProcessingJob::Run::takeProcessed()
{
    for (;;) {
        if (stopRequested())
            return Flow::Stop;
        const int available = m_processor->availableSamples();
        if (available <= 0)
            return Flow::Continue;
        const int n = m_processor->receiveSamples(m_processed.data(), std::min(available, BufferFrames));
        if (n <= 0)
            return Flow::Continue;
        const Flow flow = keepProcessed(m_processed.data(), n);
        if (flow != Flow::Continue)
            return flow;
    }
}

// Limits processed frames (in place), drops the processor's and the
// limiter's delay, and queues what remains, never more than went in.
ProcessingJob::Run::Flow ProcessingJob::Run::keepProcessed(float *samples, int frames)
{
    if (m_job.m_peakLimiting)
        m_limiter.process(samples, samples, frames);
    const int dropped = std::min(frames, m_delayToDrop);
    m_delayToDrop -= dropped;
    samples += size_t(dropped) * WorkingChannels;
    const int n = int(std::min<long long>(frames - dropped, m_framesIn - m_framesQueued));
    if (n > 0) {
        void *planes[] = {samples};
        if (av_audio_fifo_write(m_queue.get(), planes, n) < n)
            return Flow::Fail;
        m_framesQueued += n;
    }
    return encodeQueued(false);
}

// Sends every whole encoder frame that is queued; at the end also the rest,
// as a short last frame where the encoder takes one, padded with silence
// where it does not.
ProcessingJob::Run::Flow ProcessingJob::Run::encodeQueued(bool last)
{
    while (av_audio_fifo_size(m_queue.get()) >= m_frameSize
           || (last && av_audio_fifo_size(m_queue.get()) > 0)) {
        const int n = std::min(av_audio_fifo_size(m_queue.get()), m_frameSize);
        void *planes[] = {m_frameSamples.data()};
        if (av_audio_fifo_read(m_queue.get(), planes, n) < n)
            return Flow::Fail;
        const Flow flow = sendFrame(n);
        if (flow != Flow::Continue)
            return flow;
    }
    return Flow::Continue;
}

ProcessingJob::Run::Flow ProcessingJob::Run::sendFrame(int frames)
{
    // The encoder may still hold a reference to the last frame's data.
    if (av_frame_make_writable(m_exportFrame.get()) < 0)
        return Flow::Fail;
    const int samples = frames < m_frameSize && !m_smallLastFrame ? m_frameSize : frames;
    m_exportFrame->nb_samples = samples;
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(m_frameSamples.data())};
    if (swr_convert(m_outputConverter.get(), m_exportFrame->data, frames, in, frames) < 0) {
        qDebug() << "Error swr_convert (f->s).";
        return Flow::Fail;
    }
    if (samples > frames) {
        av_samples_set_silence(m_exportFrame->data, frames, samples - frames, m_exportFrame->ch_layout.nb_channels,
                               AVSampleFormat(m_exportFrame->format));
    }
    m_exportFrame->pts = m_framesEncoded;
    m_framesEncoded += samples;
    const int r = avcodec_send_frame(m_encoder.get(), m_exportFrame.get());
    if (r < 0) {
        qWarning() << "avcodec_send_frame error: " << r;
        return Flow::Fail;
    }
    return writePackets();
}

ProcessingJob::Run::Flow ProcessingJob::Run::writePackets()
{
    for (;;) {
        if (stopRequested())
            return Flow::Stop;
        const int r = avcodec_receive_packet(m_encoder.get(), m_outPacket.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return Flow::Continue;
        if (r < 0) {
            qWarning() << "Encoding failed:" << ff::errorText(r);
            return Flow::Fail;
        }
        // The muxer may have chosen another time base for the stream.
        av_packet_rescale_ts(m_outPacket.get(), m_encoder->time_base, m_outStream->time_base);
        m_outPacket->stream_index = m_outStream->index;
        const int written = av_write_frame(m_output.get(), m_outPacket.get());
        av_packet_unref(m_outPacket.get());
        if (written < 0) {
            qWarning() << "Error av_write_frame." << ff::errorText(written);
            return Flow::Fail;
        }
    }
}

ProcessingJob::ProcessingJob(QueueEntry *entry)
    : QObject(nullptr)
    , m_entry(entry)
{
    connect(this, &ProcessingJob::fileProcessingError, this,
            [](const QString &message) { qWarning().noquote() << message; });
}

ProcessingJob::~ProcessingJob() = default;

bool ProcessingJob::run()
{
    Run conversion(*this);
    return conversion.execute();
}

double ProcessingJob::frequencyToNote(double frequency)
{
    if (!std::isfinite(frequency) || frequency <= 0.0)
        return std::nan("");

    constexpr double CentsPerLog = 1200.0 * 1.4426950408889634;  // 1200 / ln 2
    constexpr double LogC2 = 4.18061996011221;                     // ln 65.40639132514966
    const double logFrequency = std::log(frequency);
    double cents = (logFrequency - LogC2) * CentsPerLog;
    double octave = 2.0;
    double fraction = 0.0;
    if (cents < 0.0) {
        double reference = 65.40639132514966;
        do {
            reference /= 2.0;
            octave -= 1.0;
            cents = (logFrequency - std::log(reference)) * CentsPerLog;
        } while (cents < 0.0);
    }

    int note = int(std::floor(cents / 100.0));
    double remainder = cents - 100.0 * note;
    if (std::abs(remainder) < 0.0001) {
        fraction = 0.0;
    } else if (remainder == 100.0) {
        note += 1;
    } else {
        if (remainder > 50.0) {
            remainder -= 100.0;
            note += 1;
        }
        fraction = remainder / 100.0;
    }
    const int octaves = note / 12;
    octave += octaves;
    const int o = int(octave) - 4;
    return o / 12 + 12 * octaves - note + 9 + fraction;
}

QString ProcessingJob::targetFilePath(const QString &targetDirectory,
                                      const QString &baseName,
                                      const QString &extension)
{
    QString directory = targetDirectory;
    if (!directory.endsWith(QLatin1Char('\\')) && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    const QString base = baseName.trimmed();

    // The multi-argument arg() substitutes in one pass, so a "%1" inside a
    // folder or file name is copied literally.
    QString candidate = QStringLiteral("%1%2.%3").arg(directory, base, extension);
    for (qint64 counter = 0; QFileInfo::exists(candidate); ++counter) {
        candidate = QStringLiteral("%1%2_%3.%4")
                        .arg(directory, base, QString::number(counter), extension);
    }
    return candidate;
}
