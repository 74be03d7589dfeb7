#pragma once

// FFTW, loaded when the frequency graph first computes a spectrum rather
// than at program start (the graph is hidden until the player is shown).

#include <QString>

#include <fftw3.h>

// Every FFTW function the graph calls.
#define CORVANE_FFTW_FUNCTIONS(X)                                                                            \
    X(fftw_alloc_complex)                                                                                    \
    X(fftw_alloc_real)                                                                                       \
    X(fftw_destroy_plan)                                                                                     \
    X(fftw_execute)                                                                                          \
    X(fftw_free)                                                                                             \
    X(fftw_plan_dft_r2c_1d)

struct FftwApi {
#define CORVANE_FFTW_MEMBER(name) decltype(&::name) name = nullptr;
    CORVANE_FFTW_FUNCTIONS(CORVANE_FFTW_MEMBER)
#undef CORVANE_FFTW_MEMBER
};

// FFTW's functions, loading the library on the first call. Only to be
// called when FftwLoadError() is empty.
const FftwApi& fftw();
// Why FFTW cannot be used (loads it on the first call); empty when it can.
QString FftwLoadError();
