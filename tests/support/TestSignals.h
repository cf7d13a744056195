#pragma once

#include "AudioBuffer.h"

// Generated test signals; every channel carries the same signal.
namespace TestSignals {

AudioBuffer sine(double frequency, double seconds, int sampleRate = 44100,
                 int channels = 2, double amplitude = 0.5);

// Bursts of a sine: burstSeconds long with 5 ms raised-cosine edges, one
// every periodSeconds, silence in between. Their envelope makes the delay
// between two signals measurable.
AudioBuffer toneBursts(double frequency, double seconds, int sampleRate = 44100,
                       int channels = 2, double amplitude = 0.5,
                       double burstSeconds = 0.06, double periodSeconds = 0.25);

// The same bursts rising from a steady tone at a quarter of their level:
// the tone keeps one continuous phase, so the pitch stays measurable to a
// hundredth of a hertz after processing, and the bursts still mark the time.
AudioBuffer burstsOverTone(double frequency, double seconds, int sampleRate = 44100, int channels = 2);

// Something like a song at 120 beats a minute: sustained triads with
// overtones that change every two seconds, a plucked bass on every beat,
// kick and snare drums, hi-hats on the off-beats and now and then a burst of
// noise, the drums panned a little. The same every time.
AudioBuffer musicLike(double seconds, int sampleRate = 44100, int channels = 2);

} // namespace TestSignals
