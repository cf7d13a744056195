#pragma once

#include "media/FFmpegPointers.h"

#include <QString>

#include <vector>

// Plays float audio back faster or slower by a fixed factor, with
// libswresample: planar frames in, interleaved frames out. Played back
// `speed` times as fast, the audio has 1 / speed times as many frames and
// `speed` times the pitch. The factor is taken as a fraction of whole
// numbers (432/440 is 54/55), so that a caller's other step can use exactly
// the same.
class FloatResampler
{
public:
    // Sets up for `speed`. False when the speed is 1 or not positive
    // (nothing to do), or when libswresample cannot be set up (error() then
    // says why).
    bool configure(int channels, double speed);
    bool active() const { return bool(m_context); }
    void release();
    // The speed as it is applied: exactly its fraction.
    double speed() const { return m_speed; }

    // Room the output needs for `frames` more input frames.
    int room(int frames) const;
    // Converts `frames` frames of one plane per channel into `output`, which
    // has `room` frames of room; returns the frames written, or a negative
    // FFmpeg error code (error() says it in words).
    int convert(const float *const *planes, int frames, float *output, int room);

    QString error() const { return m_error; }

private:
    ff::ResamplerPtr m_context;
    std::vector<const uint8_t *> m_input;
    double m_speed = 1.0;
    QString m_error;
};
