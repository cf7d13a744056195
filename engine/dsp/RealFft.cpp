#include "dsp/RealFft.h"

#include <fftw3.h>

#include <mutex>

namespace {
std::mutex &planner()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

void RealFft::FftwFree::operator()(void *memory) const
{
    fftwf_free(memory);
}

void RealFft::PlanDestroy::operator()(fftwf_plan_s *plan) const
{
    fftwf_destroy_plan(plan);
}

RealFft::RealFft(int size)
    : m_size(size)
{
    const std::lock_guard<std::mutex> lock(planner());
    m_input.reset(fftwf_alloc_real(size_t(size)));
    m_output.reset(reinterpret_cast<std::complex<float> *>(fftwf_alloc_complex(size_t(size / 2 + 1))));
    // Estimated rather than measured: planning takes no time, and the same
    // size always gets the same plan, so results repeat exactly.
    m_plan.reset(fftwf_plan_dft_r2c_1d(size, m_input.get(), reinterpret_cast<fftwf_complex *>(m_output.get()),
                                       FFTW_ESTIMATE));
}

RealFft::~RealFft()
{
    const std::lock_guard<std::mutex> lock(planner());
    m_plan.reset();
    m_output.reset();
    m_input.reset();
}

void RealFft::transform()
{
    fftwf_execute(m_plan.get());
}
