// The one pseudo-random generator of the program. Every effect, noise table and preview
// draws from it, so setting its state before a render reproduces the picture exactly.
#pragma once

#include "../document/WinTypes.h"

#include <cmath>
#include <cstdint>

// The generator's state when the program starts.
constexpr DWORD kInitialRandomSeed = 1234567;

namespace detail {
// Shared generator state; starts at kInitialRandomSeed.
extern uint32_t g_nRandomState;
}

// Linear congruential step with modulus 45000^2; returns the new state (0..2024999999).
inline DWORD RandomNext()
{
    detail::g_nRandomState = static_cast<uint32_t>(
        (uint64_t(detail::g_nRandomState) * 631415821u + 1u) % 2025000000u);
    return detail::g_nRandomState;
}

// An integer in [0, n) for n >= 0; 0 for n = 0.
inline int RandomInt(int n)
{
    const uint64_t q = RandomNext() / 45000u;
    return static_cast<int>(static_cast<int64_t>(n) * static_cast<int64_t>(q) / 45000);
}

// A double in [0, 1).
inline double RandomUnit()
{
    return RandomNext() * 4.938271604938271e-10;
}

// A double in [-1, 1).
inline double RandomSigned()
{
    const double u = RandomUnit();
    return u + u - 1;
}

inline void SetRandomSeed(DWORD seed) { detail::g_nRandomState = seed; }
inline DWORD GetRandomSeed() { return detail::g_nRandomState; }

// Normal deviates by the polar method; each pair of uniform draws yields two samples.
class CGaussianRandom
{
public:
    CGaussianRandom() = default;
    CGaussianRandom(double mean, double deviation) { Set(mean, deviation); }
    virtual ~CGaussianRandom() = default;

    void Set(double mean, double deviation)
    {
        m_dMean = mean;
        m_dDeviation = deviation;
        m_bHasCached = 0;
    }
    // Pairs of uniform draws inside the unit circle, each pair giving two samples (polar
    // method): u of the pair now, v at the next call.
    double Sample() { return Value(Draw()); }

    // A sample split in two: Draw takes its part of the generator's sequence (cheap, and in
    // order), Value turns it into the sample (the logarithm and root) and may run later on
    // any thread. Value(Draw()) is Sample() bit for bit.
    struct CDraw
    {
        double w; // u or v of the pair
        double s; // u * u + v * v
    };
    CDraw Draw();
    double Value(const CDraw& draw) const
    {
        return m_dDeviation * (draw.w * std::sqrt(-2 * std::log(draw.s) / draw.s)) + m_dMean;
    }

private:
    double m_dMean = 0.0;
    double m_dDeviation = 1.0;
    CDraw m_cached = {0.0, 1.0};
    int m_bHasCached = 0;
};
