// Arbitrary bytes as a source file, through the whole conversion: the first
// byte of an input (and for some, the second) chooses the settings, the rest
// is the file. Besides the
// sanitizers' findings, an input fails when the conversion breaks its
// promises: a failure without a message, or a file left behind that is not
// the converted output.
#include "dsp/PitchAlgorithm.h"
#include "pipeline/Conversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// TW_FUZZ_VERBOSE=1 in the environment: each result on stderr, for replays.
const bool Verbose = qEnvironmentVariableIsSet("TW_FUZZ_VERBOSE");

// The first byte, bit by bit.
enum Choice : uint8_t {
    FormatBits = 0x03,  // an OutputFormat id, but for OtherFormat
    FrequencyBased = 0x04,  // Rubber Band, else SoundTouch
    KeepVideo = 0x08,
    SourceRate = 0x10,  // the output at the source's rate, else at 44.1 kHz
    DetectPitch = 0x20,
    EncoderThread = 0x40,
    StopEarly = 0x80,  // a stop request after a few packets
};
// Format bits of 3 (m4a once) ask for a second byte, which names the format
// by its stored id, so that every format the table gains is fuzzed too; the
// inputs in tests/fuzz-regressions, whose format bits are not 3, keep their
// meaning.
constexpr uint8_t OtherFormat = 0x03;
enum SecondChoice : uint8_t {
    FormatId = 0x7f,  // an OutputFormat id (one without an entry fails in words)
    KeepFormants = 0x80,
};

// One per process: libFuzzer's parallel jobs are processes of their own.
struct Workspace
{
    QTemporaryDir folder{QDir::temp().filePath(QStringLiteral("tunewise-fuzz-XXXXXX"))};
    QString source = folder.filePath(QStringLiteral("source"));
    QString target = folder.filePath(QStringLiteral("out"));
};

Workspace &workspace()
{
    static Workspace workspace;
    return workspace;
}

// Every message is made as with all logging turned on, and dropped here:
// FFmpeg's complaints about broken input come by the thousand.
void discardMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

[[noreturn]] void broken(const char *what, const QString &detail)
{
    std::fprintf(stderr, "conversion_fuzzer: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

// The settings, and how many bytes chose them.
ConversionSettings settingsFor(const uint8_t *data, size_t size, size_t *used)
{
    const uint8_t choice = data[0];
    const bool second = (choice & FormatBits) == OtherFormat && size >= 2;
    *used = second ? 2 : 1;
    ConversionSettings settings;
    settings.audioFormat = second ? data[1] & FormatId : choice & FormatBits;
    settings.keepFormants = second && (data[1] & KeepFormants);
    settings.algorithm = PitchAlgorithm::named(choice & FrequencyBased ? QStringLiteral("frequency")
                                                                       : QStringLiteral("time"))->id;
    settings.keepVideo = choice & KeepVideo;
    settings.sampleRate = choice & SourceRate ? ConversionSettings::SourceRate : 44100;
    settings.detectSourcePitch = choice & DetectPitch;
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("tunewise.*=true"));
    qInstallMessageHandler(discardMessage);
    if (!workspace().folder.isValid())
        broken("no temporary folder", workspace().folder.errorString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return -1;  // not worth keeping
    size_t used = 0;
    const ConversionSettings settings = settingsFor(data, size, &used);
    const Workspace &space = workspace();
    QFile source(space.source);
    const qint64 length = qint64(size - used);
    if (!source.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || source.write(reinterpret_cast<const char *>(data + used), length) != length)
        broken("cannot write the source", source.errorString());
    source.close();

    const uint8_t choice = data[0];
    Conversion conversion({space.source, space.target, settings});
    conversion.setEncoderThread(choice & EncoderThread ? Conversion::EncoderThread::Always
                                                       : Conversion::EncoderThread::Never);
    // A few bytes can hold hours of audio (a codec's frames of silence), and
    // converting them is no finding: such a conversion is stopped as a user
    // would, after a while. What runs on without asking whether to stop is
    // what libFuzzer's -timeout catches.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int polls = 0;
    conversion.setStopCheck([&polls, deadline, early = bool(choice & StopEarly)] {
        return (early && ++polls > 3) || std::chrono::steady_clock::now() > deadline;
    });
    const ConversionResult result = conversion.run();
    if (Verbose) {
        std::fprintf(stderr, "choice 0x%02x, format %d: status %d, %.3f s: %s %s\n", choice, settings.audioFormat,
                     int(result.status), result.audioSeconds, qPrintable(result.message.toString()),
                     qPrintable(result.warningTexts().join(QLatin1Char(' '))));
    }

    if (result.status == ConversionResult::Failed && result.message.isEmpty())
        broken("a failure without a message", space.source);
    if (result.status == ConversionResult::Converted) {
        if (!QFileInfo(result.outputPath).isFile())
            broken("converted, but no output", result.outputPath);
        QFile::remove(result.outputPath);
    }
    const QStringList left =
        QDir(space.target).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (!left.isEmpty())
        broken("files left behind", left.join(QLatin1Char(' ')));
    return 0;
}
