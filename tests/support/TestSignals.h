#pragma once

#include "support/AudioBuffer.h"

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

// Music tuned in equal temperament to the given A4: a chord pad (saw-like
// partials), a melody (odd partials, like a clarinet), a plucked bass and a
// decaying arpeggio, 120 beats a minute through eight chords. With vibrato,
// the pad and the melody sway by ±20 and ±25 cents at 5.5 and 5.8 Hz. The
// drums are a kick (a falling sine), a snare and hi-hats (bursts of filtered
// noise). The notes are the same whatever the tuning and with or without
// drums; peaks stay below 1.
AudioBuffer tunedMusic(double a4Hz, double seconds, int sampleRate = 44100, int channels = 2,
                       bool vibrato = true, bool withDrums = true);

// Two voices, each in a room of its own, panned apart: a singing one with
// vibrato left of the middle in a short room, a lower, brighter one right of
// it in a longer room. Each room sounds different in each channel, so the
// channels are related but far from equal, as in a recording: the stereo
// image a pitch shifter must keep. Two channels.
AudioBuffer stereoVoices(double seconds, int sampleRate = 44100);

// White noise at 0.3 of full scale, the same on every channel.
AudioBuffer noise(double seconds, int sampleRate = 44100, int channels = 2);

} // namespace TestSignals
