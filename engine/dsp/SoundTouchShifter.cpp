#include "dsp/SoundTouchShifter.h"

#include "dsp/SoundTouchDelayProbe.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <tuple>

bool SoundTouchShifter::Settings::operator<(const Settings &other) const
{
    return std::tie(sequenceMs, seekWindowMs, overlapMs, quickSeek, antiAliasFilter, antiAliasTaps)
           < std::tie(other.sequenceMs, other.seekWindowMs, other.overlapMs, other.quickSeek,
                      other.antiAliasFilter, other.antiAliasTaps);
}

SoundTouchShifter::Settings SoundTouchShifter::Settings::forShift(double semitones) const
{
    // Beyond a semitone the filter guards more than the top of the audible
    // range: shifting up folds content over, shifting down leaves images.
    Settings settings = *this;
    settings.antiAliasFilter = settings.antiAliasFilter || std::abs(semitones) > 1.0;
    return settings;
}

void SoundTouchShifter::configure(soundtouch::SoundTouch &soundTouch, int sampleRate, int channels,
                                  const Settings &settings)
{
    soundTouch.setSampleRate(uint(sampleRate));
    soundTouch.setChannels(uint(channels));
    soundTouch.setTempo(1.0);
    soundTouch.setPitchSemiTones(0.0);
    soundTouch.setRate(1.0);
    soundTouch.setSetting(SETTING_SEQUENCE_MS, settings.sequenceMs);
    soundTouch.setSetting(SETTING_SEEKWINDOW_MS, settings.seekWindowMs);
    soundTouch.setSetting(SETTING_OVERLAP_MS, settings.overlapMs);
    soundTouch.setSetting(SETTING_USE_QUICKSEEK, settings.quickSeek ? 1 : 0);
    soundTouch.setSetting(SETTING_USE_AA_FILTER, settings.antiAliasFilter ? 1 : 0);
    soundTouch.setSetting(SETTING_AA_FILTER_LENGTH, settings.antiAliasTaps);
}

int SoundTouchShifter::padFrames(int sampleRate)
{
    // The same time at every rate: shifting up an octave moves the output
    // 27 ms earlier.
    return std::max(StartPadFrames, int((long long)StartPadFrames * sampleRate / 44100));
}

SoundTouchShifter::SoundTouchShifter(int sampleRate, int channels, double semitones)
    : SoundTouchShifter(sampleRate, channels, semitones, Settings())
{
}

SoundTouchShifter::SoundTouchShifter(int sampleRate, int channels, double semitones, const Settings &settings)
    : m_sampleRate(std::max(1, sampleRate))
    , m_channels(std::max(1, channels))
    , m_semitones(semitones)
    , m_settings(settings.forShift(semitones))
    , m_padFrames(padFrames(m_sampleRate))
    , m_silence(size_t(m_padFrames) * size_t(m_channels), 0.0f)
    , m_soundTouch(std::make_unique<soundtouch::SoundTouch>())
{
    configure(*m_soundTouch, m_sampleRate, m_channels, m_settings);
    m_soundTouch->setPitchSemiTones(semitones);
}

SoundTouchShifter::~SoundTouchShifter() = default;

void SoundTouchShifter::put(const float *samples, int frames)
{
    if (frames <= 0 || m_finished)
        return;
    if (bypassed()) {
        m_passed.insert(m_passed.end(), samples, samples + size_t(frames) * size_t(m_channels));
        return;
    }
    padStart();
    m_soundTouch->putSamples(samples, uint(frames));
}

int SoundTouchShifter::receive(float *output, int maxFrames)
{
    if (maxFrames <= 0)
        return 0;
    if (bypassed()) {
        const int frames = std::min(maxFrames, available());
        const size_t count = size_t(frames) * size_t(m_channels);
        std::copy_n(m_passed.begin() + std::ptrdiff_t(m_passedRead), count, output);
        m_passedRead += count;
        if (m_passedRead == m_passed.size()) {
            m_passed.clear();
            m_passedRead = 0;
        }
        return frames;
    }
    return int(m_soundTouch->receiveSamples(output, uint(maxFrames)));
}

int SoundTouchShifter::available() const
{
    if (bypassed())
        return int((m_passed.size() - m_passedRead) / size_t(m_channels));
    return int(m_soundTouch->numSamples());
}

void SoundTouchShifter::finish()
{
    if (m_finished)
        return;
    if (bypassed()) {
        m_finished = true;
        return;
    }
    padStart();
    // flush() delivers exactly as much as went in; the silence makes that
    // reach the last input frame behind the delay.
    putSilence(startDelay());
    m_soundTouch->flush();
    m_finished = true;
}

int SoundTouchShifter::startDelay() const
{
    // Even at a ratio of 1 SoundTouch splices, which blurs transients: the
    // input is passed through instead, with no delay.
    if (m_startDelay < 0)
        m_startDelay = bypassed() ? 0 : SoundTouchDelayProbe::startDelay(m_sampleRate, m_semitones, m_settings);
    return m_startDelay;
}

void SoundTouchShifter::padStart()
{
    if (m_started)
        return;
    m_started = true;
    putSilence(m_padFrames);
}

void SoundTouchShifter::putSilence(int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, m_padFrames);
        m_soundTouch->putSamples(m_silence.data(), uint(n));
        frames -= n;
    }
}
