#pragma once

#include <cmath>

// The settings one conversion runs with. A queued file keeps the values that
// were in force when it was added.
struct ConversionSettings
{
    // sampleRate: the output's rate follows the source where the format
    // allows.
    static constexpr int SourceRate = 0;

    int algorithm = 0;    // a PitchAlgorithm's id: time based
    int audioFormat = 0;  // an OutputFormat's id: mp3
    int audioBitrate = 192;  // kbit/s; the lossy formats use it
    double sourceFrequency = 440.0;  // A4 of the source, Hz
    double targetFrequency = 432.0;  // A4 wanted, Hz
    int sampleRate = 44100;  // Hz, or SourceRate
    bool keepVideo = false;  // a source with a picture becomes a video file
    bool skipExisting = false;  // a file whose output name is taken is skipped
    bool detectSourcePitch = false;  // measure each file's A4 instead of sourceFrequency
    bool keepFormants = false;  // voices keep their formants, where the algorithm can

    // The pitches of A4 the conversion takes, and how far apart they may be:
    // from the lowest A (A1) to the B two octaves above A4, and two octaves
    // of shift, well beyond where either processor still sounds natural.
    static constexpr double LowestA4 = 50.0;
    static constexpr double HighestA4 = 2000.0;
    static constexpr double LargestShift = 24.0;  // semitones
    static bool validA4(double hz) { return std::isfinite(hz) && hz >= LowestA4 && hz <= HighestA4; }
    bool pitchesValid() const
    {
        return validA4(sourceFrequency) && validA4(targetFrequency) && std::abs(semitones()) <= LargestShift;
    }

    // The pitch shift that takes A4 from the source to the target pitch.
    double semitones() const { return 12.0 * std::log2(targetFrequency / sourceFrequency); }
};
