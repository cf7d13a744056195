#pragma once

#include "engine/FFmpegPointers.h"
#include "engine/TempoPitchProcessorPlugin.h"

#include <memory>
#include <vector>

// Ways of shifting stereo audio that the program does not have, built around
// its own processors for bench/stereo.cpp.

// Hands the inner processor mid (L+R)/2 and side (L-R)/2 in place of left
// and right, and turns what comes out back into left and right. A stretcher
// that lets the phases of its two channels drift apart then blurs where a
// sound sits between the speakers, instead of widening the whole image.
// Anything but two channels passes as it is.
class MidSideProcessor : public TempoPitchProcessorPlugin
{
public:
    explicit MidSideProcessor(std::unique_ptr<TempoPitchProcessorPlugin> inner);

    void putSamples(const float *samples, int frames, int channels) override;
    int receiveSamples(float *output, int maxFrames) override;
    int latency() const override;
    int availableSamples() const override;
    void reset() override;
    void finish() override;
    int startDelay() const override;

    void setTempo(double tempo) override;
    void setPitchSemiTones(double semiTones) override;

private:
    std::unique_ptr<TempoPitchProcessorPlugin> m_inner;
    std::vector<float> m_encoded;
    int m_channels = 0;
};

// Moves the pitch by resampling the input first, which changes its length
// as well, and has the inner processor (a stretcher asked for no shift)
// stretch the result back to the source's length: the program's two steps
// the other way round.
class ResampleFirstProcessor : public TempoPitchProcessorPlugin
{
public:
    ResampleFirstProcessor(int channels, std::unique_ptr<TempoPitchProcessorPlugin> stretcher);

    void putSamples(const float *samples, int frames, int channels) override;
    int receiveSamples(float *output, int maxFrames) override;
    int latency() const override;
    int availableSamples() const override;
    void reset() override;
    void finish() override;
    int startDelay() const override;

    void setTempo(double tempo) override;
    void setPitchSemiTones(double semiTones) override;

private:
    void configure();
    // Resamples `frames` frames (none: what the resampler still holds) and
    // hands them on.
    void resampleAndPut(const float *samples, int frames);

    int m_channels;
    double m_tempo = 1.0;
    double m_semiTones = 0.0;
    ff::ResamplerPtr m_resampler;  // none when there is no shift
    std::vector<float> m_resampled;
    std::unique_ptr<TempoPitchProcessorPlugin> m_inner;
};
