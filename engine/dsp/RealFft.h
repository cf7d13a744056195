#pragma once

#include <complex>
#include <memory>

struct fftwf_plan_s;

// The discrete Fourier transform of real float input of one fixed size,
// computed by FFTW with a plan made once.
//
// FFTW's planner keeps global state and only its execute call may run on
// several threads at once; several conversions run side by side, so every
// other FFTW call made here (allocation, planning, clean-up) holds one
// process-wide lock. Nothing else in the program calls FFTW's single
// precision library.
class RealFft
{
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft &) = delete;
    RealFft &operator=(const RealFft &) = delete;

    int size() const { return m_size; }
    // The size() samples the next transform takes.
    float *input() { return m_input.get(); }
    // The size() / 2 + 1 bins of the last transform, unnormalised.
    const std::complex<float> *output() const { return m_output.get(); }
    void transform();

private:
    struct FftwFree {
        void operator()(void *memory) const;
    };
    struct PlanDestroy {
        void operator()(fftwf_plan_s *plan) const;
    };

    int m_size;
    // FFTW's own allocation gives the alignment its vector code wants.
    std::unique_ptr<float, FftwFree> m_input;
    std::unique_ptr<std::complex<float>, FftwFree> m_output;
    std::unique_ptr<fftwf_plan_s, PlanDestroy> m_plan;
};
