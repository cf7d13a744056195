#include "player/PreviewPlayer.h"

#include "base/Mailbox.h"
#include "player/AudioOutputDevice.h"
#include "player/PreviewWorker.h"
#include "settings/Translator.h"

#include <QFileInfo>

#include <algorithm>

PreviewPlayer::PreviewPlayer(QObject *parent)
    : QObject(parent)
    , m_mailbox(new Mailbox(this))
    , m_factory([] { return std::make_unique<AudioOutputDevice>(); })
{
    // The worker's and the output's news come on their threads; the player
    // takes it on its own.
    PreviewWorker::Callbacks callbacks;
    callbacks.opened = [this](int load, double seconds, double sourceA4) {
        m_mailbox->post([=] { opened(load, seconds, sourceA4); });
    };
    callbacks.failed = [this](int load, const TranslatableText &message) {
        m_mailbox->post([=] { failed(load, message); });
    };
    m_worker = std::make_unique<PreviewWorker>(std::move(callbacks));
    m_deviceTimeout.setSingleShot(true);
    m_deviceTimeout.setInterval(DeviceTimeoutMilliseconds);
    connect(&m_deviceTimeout, &QTimer::timeout, this, [this] { deviceFailed(tr("The audio output does not answer.")); });
    connect(Translator::instance(), &Translator::languageChanged, this, [this] { update_message(m_messageText); });
}

// The output goes with its thread, before the worker whose queues it reads.
PreviewPlayer::~PreviewPlayer()
{
    m_audioThread.quit();
    m_audioThread.wait();
    m_worker.reset();
}

void PreviewPlayer::setDeviceFactory(PreviewOutput::DeviceFactory factory)
{
    m_factory = std::move(factory);
}

void PreviewPlayer::load(const QString &path, const ConversionSettings &settings, double measuredA4)
{
    stopped();
    if (m_output)
        invokeOutput([](PreviewOutput &output) { output.stop(); });
    m_load = m_worker->load(path, settings, measuredA4);
    ++m_plays;
    update_ready(true);
    update_fileName(QFileInfo(path).fileName());
    update_position(0.0);
    update_duration(0.0);
    update_targetFrequency(settings.targetFrequency);
    update_sourceFrequency(measuredA4 > 0.0 ? measuredA4 : settings.sourceFrequency);
    const bool measuring = settings.detectSourcePitch && measuredA4 <= 0.0;
    showMessage(measuring ? TranslatableText("PreviewPlayer",
                                             QT_TRANSLATE_NOOP("PreviewPlayer", "Measuring the tuning of “%1”…"))
                                .arg(fileName())
                          : TranslatableText(),
                measuring);
    m_ended = false;
}

void PreviewPlayer::unload()
{
    stopped();
    if (m_output)
        invokeOutput([](PreviewOutput &output) { output.stop(); });
    m_load = 0;
    ++m_plays;
    update_ready(false);
    update_fileName(QString());
    update_position(0.0);
    update_duration(0.0);
    showMessage(TranslatableText());
}

void PreviewPlayer::opened(int load, double seconds, double sourceA4)
{
    if (load != m_load)
        return;
    update_duration(seconds);
    update_sourceFrequency(sourceA4);
    if (m_measuring)
        showMessage(TranslatableText());
}

void PreviewPlayer::failed(int load, const TranslatableText &message)
{
    if (load != m_load)
        return;
    if (m_output)
        invokeOutput([](PreviewOutput &output) { output.stop(); });
    stopped();
    update_ready(false);
    showMessage(message);
}

void PreviewPlayer::play()
{
    if (!ready() || playing())
        return;
    if (!m_output) {
        m_output = new PreviewOutput(*m_worker, m_factory);
        m_outputMailbox = new Mailbox(m_output);
        m_output->moveToThread(&m_audioThread);
        connect(&m_audioThread, &QThread::finished, m_output, &QObject::deleteLater);
        connectOutput();
        m_audioThread.start();
    }
    const bool retunedSide = retuned();
    if (m_resumable) {
        invokeOutput([retunedSide](PreviewOutput &output) { output.resume(retunedSide); });
    } else {
        const double from = m_ended ? 0.0 : position();
        update_position(from);
        invokeOutput([from, retunedSide, sequence = ++m_plays](PreviewOutput &output) {
            output.play(from, retunedSide, sequence);
        });
    }
    m_ended = false;
    m_resumable = false;
    update_playing(true);
    m_deviceTimeout.start();
}

void PreviewPlayer::pause()
{
    if (!playing())
        return;
    invokeOutput([](PreviewOutput &output) { output.pause(); });
    stopped();
    m_resumable = true;
}

void PreviewPlayer::togglePlaying()
{
    if (playing())
        pause();
    else
        play();
}

void PreviewPlayer::seek(double seconds)
{
    if (!ready())
        return;
    const double to = std::clamp(seconds, 0.0, duration() > 0.0 ? duration() : std::max(0.0, seconds));
    update_position(to);
    m_ended = false;
    m_resumable = false;
    ++m_plays;
    if (playing()) {
        const bool retunedSide = retuned();
        invokeOutput([to, retunedSide, sequence = m_plays](PreviewOutput &output) {
            output.play(to, retunedSide, sequence);
        });
    }
}

void PreviewPlayer::skip(double seconds)
{
    seek(position() + seconds);
}

void PreviewPlayer::setRetunedSide(bool retunedSide)
{
    if (!update_retuned(retunedSide) || !m_output)
        return;
    invokeOutput([retunedSide](PreviewOutput &output) { output.setRetuned(retunedSide); });
}

void PreviewPlayer::toggleSide()
{
    setRetunedSide(!retuned());
}

void PreviewPlayer::deviceFailed(const QString &message)
{
    if (m_output)
        invokeOutput([](PreviewOutput &output) { output.stop(); });
    stopped();
    showMessage(TranslatableText(message));
}

void PreviewPlayer::stopped()
{
    m_deviceTimeout.stop();
    m_resumable = false;
    update_playing(false);
}

void PreviewPlayer::showMessage(const TranslatableText &message, bool measuring)
{
    m_measuring = measuring;
    m_messageText = message;
    update_message(message);
}

void PreviewPlayer::invokeOutput(std::function<void(PreviewOutput &)> call)
{
    m_outputMailbox->post([output = m_output, call = std::move(call)] { call(*output); });
}

// The output's signals are taken on its thread and posted to the mailbox.
void PreviewPlayer::connectOutput()
{
    connect(
        m_output, &PreviewOutput::positionChanged, this,
        [this](double seconds, int sequence) {
            m_mailbox->post([this, seconds, sequence] {
                if (sequence == m_plays)
                    update_position(seconds);
            });
        },
        Qt::DirectConnection);
    connect(
        m_output, &PreviewOutput::started, this, [this] { m_mailbox->post([this] { m_deviceTimeout.stop(); }); },
        Qt::DirectConnection);
    connect(
        m_output, &PreviewOutput::ended, this,
        [this] {
            m_mailbox->post([this] {
                stopped();
                m_ended = true;
            });
        },
        Qt::DirectConnection);
    connect(
        m_output, &PreviewOutput::failed, this,
        [this](const QString &message) { m_mailbox->post([this, message] { deviceFailed(message); }); },
        Qt::DirectConnection);
}
