#include "support/SoundServer.h"

#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cstring>

namespace {

const char *const Sink = "tunewise_test";

QString socketOf(const QTemporaryDir &dir)
{
    return dir.filePath(QStringLiteral("native"));
}

} // namespace

QString SoundServer::unavailable()
{
    for (const char *program : {"pulseaudio", "pacat", "parec", "pactl"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            return QStringLiteral("no %1 here (scripts/install-deps.sh installs PulseAudio)").arg(QLatin1String(program));
    }
    return QString();
}

SoundServer::~SoundServer()
{
    for (QProcess *process : {&m_recorder, &m_keepAwake, &m_server}) {
        process->terminate();
        if (!process->waitForFinished(3000))
            process->kill();
        process->waitForFinished(3000);
    }
}

bool SoundServer::run(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.start(program, arguments);
    if (process.waitForStarted(5000))
        return true;
    m_error = program + QStringLiteral(": ") + process.errorString();
    return false;
}

QString SoundServer::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("pulseaudio.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()).trimmed() : QString();
}

bool SoundServer::start()
{
    if (!m_dir.isValid())
        return (m_error = QStringLiteral("no temporary folder")), false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    m_server.setProcessEnvironment(environment);
    // Not the test's own stderr: a server left behind by a test that
    // crashed would hold it open, and the test runner would wait for it.
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("pulseaudio.log")));
    const QStringList arguments{
        QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"), QStringLiteral("-n"),
        QStringLiteral("--log-level=error"), QStringLiteral("-F"), QStringLiteral("/dev/null"),
        QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socketOf(m_dir),
        QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=%1 rate=44100").arg(QLatin1String(Sink))};
    if (!run(m_server, QStringLiteral("pulseaudio"), arguments))
        return false;
    qputenv("PULSE_SERVER", "unix:" + socketOf(m_dir).toLocal8Bit());
    const auto answers = [] {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        return info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
    };
    for (int tries = 0; !answers(); ++tries) {
        if (tries == 100 || m_server.state() != QProcess::Running)
            return (m_error = QStringLiteral("the PulseAudio server did not come up: ") + log()), false;
        QThread::msleep(100);
    }
    m_keepAwake.setStandardInputFile(QStringLiteral("/dev/zero"));
    return run(m_keepAwake, QStringLiteral("pacat"), {QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
}

bool SoundServer::startRecording(int sampleRate)
{
    m_recording = AudioBuffer{sampleRate, 2, {}};
    m_pending.clear();
    m_arrivals.clear();
    QObject::connect(&m_recorder, &QProcess::readyReadStandardOutput, [this] { takeRecorded(); });
    return run(m_recorder, QStringLiteral("parec"),
               {QStringLiteral("--device=%1.monitor").arg(QLatin1String(Sink)), QStringLiteral("--raw"),
                QStringLiteral("--format=float32le"), QStringLiteral("--channels=2"),
                QStringLiteral("--rate=%1").arg(sampleRate), QStringLiteral("--latency-msec=10")});
}

void SoundServer::takeRecorded()
{
    const Clock::time_point now = Clock::now();
    m_pending += m_recorder.readAllStandardOutput();
    const int frameBytes = 2 * int(sizeof(float));
    const int frames = m_pending.size() / frameBytes;
    if (frames == 0)
        return;
    const size_t old = m_recording.samples.size();
    m_recording.samples.resize(old + size_t(frames) * 2);
    std::memcpy(m_recording.samples.data() + old, m_pending.constData(), size_t(frames) * size_t(frameBytes));
    m_pending.remove(0, frames * frameBytes);
    m_arrivals.emplace_back(m_recording.frames(), now);
}

AudioBuffer SoundServer::stopRecording()
{
    m_recorder.terminate();
    m_recorder.waitForFinished(3000);
    takeRecorded();
    QObject::disconnect(&m_recorder, nullptr, nullptr, nullptr);
    return m_recording;
}

SoundServer::Clock::time_point SoundServer::arrivalOf(long long frame) const
{
    for (const auto &[frames, when] : m_arrivals) {
        if (frames > frame)
            return when;
    }
    return Clock::time_point::max();
}
