#include "MidSideShifter.h"

#include <algorithm>

MidSideShifter::MidSideShifter(std::unique_ptr<PitchShifter> inner)
    : m_inner(std::move(inner))
{
}

void MidSideShifter::put(const float *samples, int frames)
{
    m_encoded.resize(size_t(std::max(0, frames)) * 2);
    for (size_t i = 0; i < m_encoded.size(); i += 2) {
        m_encoded[i] = 0.5f * (samples[i] + samples[i + 1]);
        m_encoded[i + 1] = 0.5f * (samples[i] - samples[i + 1]);
    }
    m_inner->put(m_encoded.data(), frames);
}

int MidSideShifter::receive(float *output, int maxFrames)
{
    const int n = m_inner->receive(output, maxFrames);
    for (size_t i = 0; i < size_t(n) * 2; i += 2) {
        const float mid = output[i], side = output[i + 1];
        output[i] = mid + side;
        output[i + 1] = mid - side;
    }
    return n;
}
