// The player's speed and steadiness, heard through a PulseAudio server of
// its own (tests/support/SoundServer): how long after a press the sound of
// a start, a seek and a switch of sides comes out of the sink, for both
// algorithms, idle and while two conversions run beside it; whether the
// sound ever breaks off while they run; and what the worker's rendering
// costs against real time. Prints markdown tables.
//
//   bench_player [ROUNDS]   (default 10)
#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "pipeline/Conversion.h"
#include "pipeline/Preview.h"
#include "player/PreviewPlayer.h"
#include "support/AudioFiles.h"
#include "support/SoundServer.h"
#include "support/TestSignals.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = SoundServer::Clock;
constexpr int Rate = 44100;
const double To = 432.0;

void wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Waits, the event loop running, until `done` or the timeout; whether done.
bool waitFor(const std::function<bool()> &done, int milliseconds = 10000)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done() && Clock::now() < end)
        wait(2);
    return done();
}

ConversionSettings settingsFor(const char *algorithm)
{
    ConversionSettings settings;
    settings.algorithm = PitchAlgorithm::named(QLatin1String(algorithm))->id;
    settings.audioFormat = OutputFormat::named(QStringLiteral("mp3"))->id;
    settings.targetFrequency = To;
    return settings;
}

// The first frame from `from` on where the recording sounds, or where its
// periods are those of `hz` (0: any sound) for eight in a row.
long long firstFrame(const AudioBuffer &recording, long long from, double hz)
{
    long long run = 0;
    double last = -1.0;
    for (long long f = std::max(1LL, from); f < recording.frames(); ++f) {
        const float before = recording.samples[size_t(f - 1) * 2], now = recording.samples[size_t(f) * 2];
        if (hz == 0.0 && std::abs(now) > 0.01f)
            return f;
        if (hz == 0.0 || !(before < 0.0f && now >= 0.0f))
            continue;
        const double crossing = double(f - 1) + double(before / (before - now));
        run = last >= 0.0 && std::abs(Rate / (crossing - last) - hz) < 1.0 ? run + 1 : 0;
        last = crossing;
        if (run == 8)
            return f;
    }
    return -1;
}

struct Figures
{
    std::vector<double> milliseconds;
    QString text() const
    {
        if (milliseconds.empty())
            return QStringLiteral("–");
        std::vector<double> sorted = milliseconds;
        std::sort(sorted.begin(), sorted.end());
        return QStringLiteral("%1 (%2–%3)")
            .arg(sorted[sorted.size() / 2], 0, 'f', 0)
            .arg(sorted.front(), 0, 'f', 0)
            .arg(sorted.back(), 0, 'f', 0);
    }
};

// Converts the file again and again on two threads until stopped.
class Load
{
public:
    Load(const QString &source, const QString &folder, const char *algorithm)
    {
        for (int i = 0; i < 2; ++i) {
            m_threads.emplace_back([=] {
                for (int n = 0; !m_stop; ++n) {
                    Conversion conversion({source, QStringLiteral("%1/%2-%3").arg(folder).arg(i).arg(n),
                                           settingsFor(algorithm)});
                    conversion.setStopCheck([this] { return m_stop.load(); });
                    conversion.run();
                }
            });
        }
    }
    ~Load()
    {
        m_stop = true;
        for (std::thread &thread : m_threads)
            thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

class Bench
{
public:
    explicit Bench(SoundServer &server, QTemporaryDir &dir)
        : m_server(server)
        , m_dir(dir)
    {
    }

    // Start, seek and switch, each `rounds` times: press to the first frame
    // heard of what was asked for.
    void latencies(const char *algorithm, int rounds, const char *load);
    // A 30-second tone, retuned, played through; the breaks in its sound.
    void steadiness(const char *algorithm, const char *load);
    // CPU seconds of the worker's rendering for a second of audio.
    void renderCost(const char *algorithm);

    QString silenceThenTone;
    QString tone;
    QString music;

private:
    double since(Clock::time_point pressed, long long frame) const
    {
        return std::chrono::duration<double, std::milli>(m_server.arrivalOf(frame) - pressed).count();
    }

    SoundServer &m_server;
    QTemporaryDir &m_dir;
};

void Bench::latencies(const char *algorithm, int rounds, const char *load)
{
    std::unique_ptr<Load> conversions;
    if (load)
        conversions = std::make_unique<Load>(music, m_dir.filePath(QStringLiteral("out")), load);
    PreviewPlayer player;
    player.load(silenceThenTone, settingsFor(algorithm), 0.0);
    waitFor([&] { return player.duration() > 0.0; });
    Figures start, seek, flip;
    for (int round = 0; round < rounds; ++round) {
        // A start from a place not played yet: the worker renders anew.
        player.seek(16.0 + round * 0.37);
        long long from = m_server.recording().frames();
        Clock::time_point pressed = Clock::now();
        player.play();
        waitFor([&] { return firstFrame(m_server.recording(), from, 0.0) >= 0; });
        if (const long long heard = firstFrame(m_server.recording(), from, 0.0); heard >= 0)
            start.milliseconds.push_back(since(pressed, heard));
        wait(500);
        from = m_server.recording().frames();
        pressed = Clock::now();
        player.toggleSide();
        waitFor([&] { return firstFrame(m_server.recording(), from, To) >= 0; });
        if (const long long heard = firstFrame(m_server.recording(), from, To); heard >= 0)
            flip.milliseconds.push_back(since(pressed, heard));
        player.toggleSide();
        // From the silence into the tone.
        player.seek(5.0);
        wait(600);
        from = m_server.recording().frames();
        pressed = Clock::now();
        player.seek(20.0 + round * 0.29);
        waitFor([&] { return firstFrame(m_server.recording(), from, 0.0) >= 0; });
        if (const long long heard = firstFrame(m_server.recording(), from, 0.0); heard >= 0)
            seek.milliseconds.push_back(since(pressed, heard));
        player.pause();
        wait(300);
    }
    std::printf("| %s | %s | %s | %s | %s |\n", algorithm, load ? load : "none", qPrintable(start.text()),
                qPrintable(seek.text()), qPrintable(flip.text()));
}

void Bench::steadiness(const char *algorithm, const char *load)
{
    std::unique_ptr<Load> conversions;
    if (load)
        conversions = std::make_unique<Load>(music, m_dir.filePath(QStringLiteral("out")), load);
    PreviewPlayer player;
    player.load(tone, settingsFor(algorithm), 0.0);
    waitFor([&] { return player.duration() > 0.0; });
    player.setRetunedSide(true);
    const long long from = m_server.recording().frames();
    player.play();
    wait(31000);
    player.pause();
    wait(300);
    const AudioBuffer &recording = m_server.recording();
    long long first = firstFrame(recording, from, 0.0), last = first;
    for (long long f = first; f >= 0 && f < recording.frames(); ++f) {
        if (recording.samples[size_t(f) * 2] != 0.0f)
            last = f;
    }
    int breaks = 0;
    long long silent = 0, run = 0;
    for (long long f = first; f >= 0 && f <= last; ++f) {
        const bool zero = recording.samples[size_t(f) * 2] == 0.0f && recording.samples[size_t(f) * 2 + 1] == 0.0f;
        run = zero ? run + 1 : 0;
        breaks += run == Rate / 1000;  // a millisecond of nothing in a tone
        silent += zero;
    }
    std::printf("| %s | %s | %.1f | %d | %.0f |\n", algorithm, load ? load : "none",
                double(last - first) / Rate, breaks, 1000.0 * double(silent) / Rate);
}

// Renders as the worker does, into nothing, and counts this thread's CPU.
void Bench::renderCost(const char *algorithm)
{
    class Nothing : public Preview::Sink
    {
    public:
        bool write(const float *, const float *, int frames) override
        {
            m_frames += frames;
            return true;
        }
        long long m_frames = 0;
    } sink;
    Preview preview(music, settingsFor(algorithm));
    if (!preview.open())
        return;
    timespec before{}, after{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    preview.play(0.0, Rate, sink);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    const double cpu = double(after.tv_sec - before.tv_sec) + double(after.tv_nsec - before.tv_nsec) * 1e-9;
    const double seconds = double(sink.m_frames) / Rate;
    std::printf("| %s | %.1f | %.3f | %.1f %% |\n", algorithm, seconds, cpu / seconds, 100.0 * cpu / seconds);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir dir;
    SoundServer server;
    if (!SoundServer::unavailable().isEmpty() || !server.start() || !server.startRecording(Rate)) {
        std::fprintf(stderr, "bench_player: no sound server: %s%s\n", qPrintable(SoundServer::unavailable()),
                     qPrintable(server.error()));
        return 1;
    }
    Bench bench(server, dir);
    AudioBuffer silenceThenTone = TestSignals::sine(440.0, 30.0);
    std::fill_n(silenceThenTone.samples.begin(), 15 * Rate * 2, 0.0f);
    bench.silenceThenTone = dir.filePath(QStringLiteral("silence-then-tone.wav"));
    bench.tone = dir.filePath(QStringLiteral("tone.wav"));
    bench.music = dir.filePath(QStringLiteral("music.wav"));
    AudioFiles::write(bench.silenceThenTone, silenceThenTone);
    AudioFiles::write(bench.tone, TestSignals::sine(440.0, 40.0));
    AudioFiles::write(bench.music, TestSignals::tunedMusic(440.0, 120.0));

    std::printf("Press to the first frame heard, ms: median (least–most) of %d\n\n", rounds);
    std::printf("| algorithm | conversions beside | start | seek | switch |\n|---|---|---:|---:|---:|\n");
    for (const char *algorithm : {"time", "frequency"}) {
        for (const char *load : {static_cast<const char *>(nullptr), "time"})
            bench.latencies(algorithm, rounds, load);
    }
    std::printf("\n30 s of a retuned tone: breaks of a millisecond or more\n\n");
    std::printf("| algorithm | conversions beside | seconds heard | breaks | ms silent |\n|---|---|---:|---:|---:|\n");
    bench.steadiness("time", nullptr);
    bench.steadiness("time", "time");
    bench.steadiness("frequency", "time");
    bench.steadiness("frequency", "frequency");
    std::printf("\nThe worker's rendering, both sides, on one thread (2 minutes of generated music)\n\n");
    std::printf("| algorithm | seconds rendered | CPU s per second | share of a core in real time |\n"
                "|---|---:|---:|---:|\n");
    bench.renderCost("time");
    bench.renderCost("frequency");
    return 0;
}
