// Fractal sums of gradient noise: octaves of noise at growing frequency, each weighted by
// frequency^-H. A fractional octave count adds that fraction of one more octave.
#pragma once

#include "GradientNoise.h"

#include <vector>

namespace detail {

template <class TNoise>
class CFractalNoiseBase
{
public:
    // Stores the settings, recomputes the weights and draws new noise tables.
    void Initialize(double h, double lacunarity, double octaves, double start)
    {
        m_dH = h;
        m_dLacunarity = lacunarity;
        m_dOctaves = octaves;
        m_nOctaves = static_cast<int>(octaves);
        m_dStart = start;
        // One weight at least, so an octave count below 1 still has one.
        m_weights.assign(m_nOctaves >= 0 ? m_nOctaves + 1 : 1, 0.0);
        double frequency = 1.0;
        for (double& w : m_weights) {
            w = std::pow(frequency, -m_dH);
            frequency *= m_dLacunarity;
        }
        m_noise.Initialize();
    }

    double GetH() const { return m_dH; }
    double GetLacunarity() const { return m_dLacunarity; }
    double GetOctaves() const { return m_dOctaves; }
    double GetStart() const { return m_dStart; }
    // Changes the starting value of the sum alone, keeping weights and tables.
    void SetStart(double start) { m_dStart = start; }
    const TNoise& GetNoise() const { return m_noise; }
    TNoise& GetNoise() { return m_noise; }

protected:
    double m_dH = 0.0;
    double m_dLacunarity = 0.0;
    double m_dOctaves = 0.0;
    int m_nOctaves = 0;
    double m_dStart = 0.0;
    std::vector<double> m_weights = std::vector<double>(1, 1.0);
    TNoise m_noise;
};

}

class CFractalNoise2D : public detail::CFractalNoiseBase<CGradientNoise2D>
{
public:
    double Value(double x, double y) const
    {
        double sum = m_dStart;
        for (int i = 0; i < m_nOctaves; ++i) {
            sum += m_noise.Noise(x, y) * m_weights[i];
            x *= m_dLacunarity;
            y *= m_dLacunarity;
        }
        const double r = m_dOctaves - m_nOctaves;
        if (r > 0)
            sum += m_noise.Noise(x, y) * r * m_weights[m_nOctaves];
        return sum;
    }
};

class CFractalNoise3D : public detail::CFractalNoiseBase<CGradientNoise3D>
{
public:
    double Value(double x, double y, double z) const
    {
        double sum = m_dStart;
        for (int i = 0; i < m_nOctaves; ++i) {
            sum += m_noise.Noise(x, y, z) * m_weights[i];
            x *= m_dLacunarity;
            y *= m_dLacunarity;
            z *= m_dLacunarity;
        }
        const double r = m_dOctaves - m_nOctaves;
        if (r > 0)
            sum += m_noise.Noise(x, y, z) * r * m_weights[m_nOctaves];
        return sum;
    }

    // out[i] = Value(x[i], y[i], z[i]) for n points, bit for bit, several points at once.
    void Value(const double* x, const double* y, const double* z, double* out, size_t n) const
    {
        if (m_noise.OctaveSums(m_dStart, m_weights.data(), m_nOctaves, m_dLacunarity,
                               m_dOctaves - m_nOctaves, x, y, z, out, n))
            return;
        for (size_t i = 0; i < n; ++i)
            out[i] = Value(x[i], y[i], z[i]);
    }
};
