// Lattice gradient noise in two and three dimensions, with turbulence sums. The tables come
// from the shared generator, so a seed reproduces the noise. Lookups are inline and allocate
// nothing: effects call them once a pixel per octave.
#pragma once

#include <cmath>

namespace detail {

// 256 permutation entries plus 258 repeated ones, so corner lookups never wrap.
constexpr int kNoiseTable = 256 + 258;

inline double SCurve(double t) { return t * t * (3 - 2 * t); }
inline double Lerp(double t, double p, double q) { return p + t * (q - p); }

// Draws the gradient and permutation tables of an N-dimensional noise: gradients draw
// their last axis first, and a zero-length draw stays zero rather than dividing by zero.
template <int N>
void InitNoiseTables(double (&gradient)[kNoiseTable][N], int (&perm)[kNoiseTable]);

// Lattice cell of one axis: the coordinate is offset by 4096 and truncated, as the noise
// was tuned with, so negative inputs down to -4096 behave like positive ones.
struct NoiseAxis
{
    int b0, b1;
    double r0, r1;
    explicit NoiseAxis(double v)
    {
        const double t = v + 4096;
        const int i = static_cast<int>(t);
        b0 = i & 255;
        b1 = (i + 1) & 255;
        r0 = t - i;
        r1 = r0 - 1;
    }
};

}

class CGradientNoise2D
{
public:
    // Fills the tables from the generator.
    void Initialize() { detail::InitNoiseTables<2>(m_gradient, m_perm); }

    // Zero at every lattice point, in about [-0.7, 0.7] between.
    double Noise(double x, double y) const
    {
        using namespace detail;
        const NoiseAxis ax(x), ay(y);
        const int i = m_perm[ax.b0], j = m_perm[ax.b1];
        const int b00 = m_perm[i + ay.b0], b10 = m_perm[j + ay.b0];
        const int b01 = m_perm[i + ay.b1], b11 = m_perm[j + ay.b1];
        const double sx = SCurve(ax.r0), sy = SCurve(ay.r0);
        const double a = Lerp(sx, Dot(b00, ax.r0, ay.r0), Dot(b10, ax.r1, ay.r0));
        const double b = Lerp(sx, Dot(b01, ax.r0, ay.r1), Dot(b11, ax.r1, ay.r1));
        return Lerp(sy, a, b);
    }

    // Sum of |noise| over doubling frequencies below limit; 0 for a limit of 1 or less.
    double Turbulence(double x, double y, double limit) const
    {
        double sum = 0;
        for (double f = 1.0; f < limit; f *= 2)
            sum += std::fabs(Noise(x * f, y * f)) / f;
        return sum;
    }

private:
    double Dot(int k, double rx, double ry) const
    {
        return m_gradient[k][0] * rx + m_gradient[k][1] * ry;
    }

    double m_gradient[detail::kNoiseTable][2] = {};
    int m_perm[detail::kNoiseTable] = {};
};

class CGradientNoise3D
{
public:
    void Initialize() { detail::InitNoiseTables<3>(m_gradient, m_perm); }

    double Noise(double x, double y, double z) const
    {
        using namespace detail;
        const NoiseAxis ax(x), ay(y), az(z);
        const int i = m_perm[ax.b0], j = m_perm[ax.b1];
        const int b00 = m_perm[i + ay.b0], b10 = m_perm[j + ay.b0];
        const int b01 = m_perm[i + ay.b1], b11 = m_perm[j + ay.b1];
        const double sx = SCurve(ax.r0), sy = SCurve(ay.r0), sz = SCurve(az.r0);
        // The z cell is added to the table index, not looked up in the permutation.
        double a = Lerp(sx, Dot(b00 + az.b0, ax.r0, ay.r0, az.r0),
                        Dot(b10 + az.b0, ax.r1, ay.r0, az.r0));
        double b = Lerp(sx, Dot(b01 + az.b0, ax.r0, ay.r1, az.r0),
                        Dot(b11 + az.b0, ax.r1, ay.r1, az.r0));
        const double c = Lerp(sy, a, b);
        a = Lerp(sx, Dot(b00 + az.b1, ax.r0, ay.r0, az.r1), Dot(b10 + az.b1, ax.r1, ay.r0, az.r1));
        b = Lerp(sx, Dot(b01 + az.b1, ax.r0, ay.r1, az.r1), Dot(b11 + az.b1, ax.r1, ay.r1, az.r1));
        const double d = Lerp(sy, a, b);
        return Lerp(sz, c, d);
    }

    double Turbulence(double x, double y, double z, double limit) const
    {
        double sum = 0;
        for (double f = 1.0; f < limit; f *= 2)
            sum += std::fabs(Noise(x * f, y * f, z * f)) / f;
        return sum;
    }

    // Three equal components, each the noise at p mapped by v -> 2v - 1.
    void VectorNoise(double x, double y, double z, double out[3]) const
    {
        const double v = 2 * Noise(x, y, z) - 1;
        out[0] = out[1] = out[2] = v;
    }

private:
    double Dot(int k, double rx, double ry, double rz) const
    {
        return m_gradient[k][0] * rx + m_gradient[k][1] * ry + m_gradient[k][2] * rz;
    }

    double m_gradient[detail::kNoiseTable][3] = {};
    int m_perm[detail::kNoiseTable] = {};
};
