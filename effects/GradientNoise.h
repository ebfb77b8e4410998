// Lattice gradient noise in two and three dimensions, with turbulence sums. The tables come
// from the shared generator, so a seed reproduces the noise. Lookups are inline and allocate
// nothing: effects call them once a pixel per octave.
#pragma once

#include <cmath>
#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The instruction sets the noise of many points at once can use, each giving the same bits.
enum class NoiseSimd { Scalar, Avx2, Avx512 };
// The best set this CPU has; what is used unless SetNoiseSimd chose another.
NoiseSimd BestNoiseSimd();
// Uses simd (held to what the CPU has) from now on and returns what was in use: a way to
// compare the paths with one another.
NoiseSimd SetNoiseSimd(NoiseSimd simd);

namespace detail {

// 256 permutation entries plus 258 repeated ones, so corner lookups never wrap.
constexpr int kNoiseTable = 256 + 258;

inline double SCurve(double t) { return t * t * (3 - 2 * t); }
inline double Lerp(double t, double p, double q) { return p + t * (q - p); }

// Draws the gradient and permutation tables of an N-dimensional noise: gradients draw
// their last axis first, and a zero-length draw stays zero rather than dividing by zero.
// Rows may be padded (Stride > N) to keep each gradient within one cache line.
template <int N, int Stride>
void InitNoiseTables(double (&gradient)[kNoiseTable][Stride], int (&perm)[kNoiseTable]);

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
    void Initialize() { detail::InitNoiseTables<2, 2>(m_gradient, m_perm); }

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
    void Initialize() { detail::InitNoiseTables<3, 4>(m_gradient, m_perm); }

    double Noise(double x, double y, double z) const
    {
        using namespace detail;
        const NoiseAxis ax(x), ay(y), az(z);
        const int i = m_perm[ax.b0], j = m_perm[ax.b1];
        const int b00 = m_perm[i + ay.b0], b10 = m_perm[j + ay.b0];
        const int b01 = m_perm[i + ay.b1], b11 = m_perm[j + ay.b1];
        const double sx = SCurve(ax.r0), sy = SCurve(ay.r0), sz = SCurve(az.r0);
#ifdef __SSE2__
        // The two z planes side by side in one register: each lane does exactly the scalar
        // operations of its plane, so the result is bit for bit the same, in half the steps.
        const __m128d rz = _mm_set_pd(az.r1, az.r0);
        const __m128d vsx = _mm_set1_pd(sx), vsy = _mm_set1_pd(sy);
        const __m128d a =
            Lerp2(vsx, Dot2(b00, az, ax.r0, ay.r0, rz), Dot2(b10, az, ax.r1, ay.r0, rz));
        const __m128d b =
            Lerp2(vsx, Dot2(b01, az, ax.r0, ay.r1, rz), Dot2(b11, az, ax.r1, ay.r1, rz));
        const __m128d cd = Lerp2(vsy, a, b);
        return Lerp(sz, _mm_cvtsd_f64(cd), _mm_cvtsd_f64(_mm_unpackhi_pd(cd, cd)));
#else
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
#endif
    }

    // out[i] = Noise(x[i], y[i], z[i]) for n points, bit for bit, several points at once.
    void Noise(const double* x, const double* y, const double* z, double* out, size_t n) const;

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

    // A fractal sum over n points: out[i] = start + the sum over octaves k < count of
    // Noise(p * lacunarity^k) * weights[k], then Noise(p * lacunarity^count) * fraction *
    // weights[count] if fraction > 0, the coordinates scaled by repeated multiplication:
    // bit for bit the scalar sum (CFractalNoise3D::Value), several points at once. False,
    // with nothing computed, where the CPU has no SIMD for it: the caller sums point by point.
    bool OctaveSums(double start, const double* weights, int count, double lacunarity,
                    double fraction, const double* x, const double* y, const double* z,
                    double* out, size_t n) const;

private:
#ifdef __SSE2__
    // Corner k of the z0 plane in the low lane, of the z1 plane in the high lane; the z cell
    // is added to the table index, not looked up in the permutation.
    __m128d Dot2(int k, const detail::NoiseAxis& az, double rx, double ry, __m128d rz) const
    {
        const double* g0 = m_gradient[k + az.b0];
        const double* g1 = m_gradient[k + az.b1];
        const __m128d gx = _mm_loadh_pd(_mm_load_sd(g0), g1);
        const __m128d gy = _mm_loadh_pd(_mm_load_sd(g0 + 1), g1 + 1);
        const __m128d gz = _mm_loadh_pd(_mm_load_sd(g0 + 2), g1 + 2);
        return _mm_add_pd(
            _mm_add_pd(_mm_mul_pd(gx, _mm_set1_pd(rx)), _mm_mul_pd(gy, _mm_set1_pd(ry))),
            _mm_mul_pd(gz, rz));
    }
    static __m128d Lerp2(__m128d t, __m128d p, __m128d q)
    {
        return _mm_add_pd(p, _mm_mul_pd(t, _mm_sub_pd(q, p)));
    }
#endif
    double Dot(int k, double rx, double ry, double rz) const
    {
        return m_gradient[k][0] * rx + m_gradient[k][1] * ry + m_gradient[k][2] * rz;
    }

    // Padded to four doubles: 32-byte rows never straddle a cache line.
    alignas(64) double m_gradient[detail::kNoiseTable][4] = {};
    int m_perm[detail::kNoiseTable] = {};
};
