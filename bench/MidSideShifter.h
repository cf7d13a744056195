#pragma once

#include "dsp/PitchShifter.h"

#include <memory>
#include <vector>

// Hands the inner shifter mid (L+R)/2 and side (L-R)/2 in place of left and
// right, and turns what comes out back into left and right: a way of
// shifting stereo audio that the program does not have, for
// bench/stereo.cpp. A stretcher that lets the phases of its two channels
// drift apart then blurs where a sound sits between the speakers, instead
// of widening the whole image.
class MidSideShifter : public PitchShifter
{
public:
    explicit MidSideShifter(std::unique_ptr<PitchShifter> inner);

    void put(const float *samples, int frames) override;
    int receive(float *output, int maxFrames) override;
    int available() const override { return m_inner->available(); }
    void finish() override { m_inner->finish(); }
    int startDelay() const override { return m_inner->startDelay(); }
    TranslatableText failure() const override { return m_inner->failure(); }

private:
    std::unique_ptr<PitchShifter> m_inner;
    std::vector<float> m_encoded;
};
