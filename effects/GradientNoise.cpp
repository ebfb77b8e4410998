#include "GradientNoise.h"

#include "Random.h"

#include <algorithm>
#include <atomic>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace detail {

template <int N, int Stride>
void InitNoiseTables(double (&gradient)[kNoiseTable][Stride], int (&perm)[kNoiseTable])
{
    for (int i = 0; i < 256; ++i) {
        perm[i] = i;
        for (int k = N - 1; k >= 0; --k)
            gradient[i][k] = RandomSigned();
        double length = 0;
        for (int k = 0; k < N; ++k)
            length += gradient[i][k] * gradient[i][k];
        length = std::sqrt(length);
        if (length > 0)
            for (int k = 0; k < N; ++k)
                gradient[i][k] /= length;
    }
    for (int i = 0; i < 256; ++i)
        std::swap(perm[i], perm[RandomInt(256)]);
    for (int i = 0; i < 258; ++i) {
        perm[256 + i] = perm[i];
        for (int k = 0; k < N; ++k)
            gradient[256 + i][k] = gradient[i][k];
    }
}

template void InitNoiseTables<2, 2>(double (&)[kNoiseTable][2], int (&)[kNoiseTable]);
template void InitNoiseTables<3, 4>(double (&)[kNoiseTable][4], int (&)[kNoiseTable]);

}

// Many points at once: the same noise with SIMD across points, chosen once by what the CPU
// has. x86 only; elsewhere the scalar code serves.
namespace {

struct NoiseTables
{
    const double (*gradient)[4];
    const int* perm;
};

struct OctaveTerms
{
    double start;
    const double* weights;
    int count;
    double lacunarity;
    double fraction;
};

#if defined(__x86_64__) || defined(__i386__)
#define SKYLOOM_NOISE_LANES 1

// Four points in the lanes of AVX2 registers. Table rows are read lane by lane with 16-byte
// loads and put together with unpacks: measured faster than gather instructions on AMD.
namespace avx2 {
#define SKYLOOM_LANES_TARGET __attribute__((target("avx2")))
#define SKYLOOM_LANES_INLINE inline __attribute__((always_inline))
struct Lanes
{
    using D = __m256d;
    using I = __m128i; // one int per lane
    using P = __m256i; // two ints per lane
    static constexpr size_t kWidth = 4;
    SKYLOOM_LANES_TARGET static D Load(const double* p) { return _mm256_loadu_pd(p); }
    SKYLOOM_LANES_TARGET static void Store(double* p, D v) { _mm256_storeu_pd(p, v); }
    SKYLOOM_LANES_TARGET static D Set(double v) { return _mm256_set1_pd(v); }
    SKYLOOM_LANES_TARGET static D Add(D a, D b) { return _mm256_add_pd(a, b); }
    SKYLOOM_LANES_TARGET static D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
    SKYLOOM_LANES_TARGET static D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
    SKYLOOM_LANES_TARGET static I Truncate(D v) { return _mm256_cvttpd_epi32(v); }
    SKYLOOM_LANES_TARGET static D ToDouble(I v) { return _mm256_cvtepi32_pd(v); }
    SKYLOOM_LANES_TARGET static I SetInt(int v) { return _mm_set1_epi32(v); }
    SKYLOOM_LANES_TARGET static I AddInt(I a, I b) { return _mm_add_epi32(a, b); }
    SKYLOOM_LANES_TARGET static I AndInt(I a, I b) { return _mm_and_si128(a, b); }
    // table[k] and table[k + 1] of each lane.
    SKYLOOM_LANES_TARGET static P GatherPairs(const int* table, I k)
    {
        return _mm256_mask_i32gather_epi64(_mm256_setzero_si256(),
                                           reinterpret_cast<const long long*>(table), k,
                                           _mm256_set1_epi64x(-1), 4);
    }
    SKYLOOM_LANES_TARGET static I Firsts(P v)
    {
        return _mm256_castsi256_si128(
            _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
    }
    SKYLOOM_LANES_TARGET static I Seconds(P v)
    {
        return _mm256_castsi256_si128(
            _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(1, 3, 5, 7, 1, 3, 5, 7)));
    }
    // k of each lane added to both ints of its pair.
    SKYLOOM_LANES_TARGET static P AddToPairs(P v, I k)
    {
        const P wide = _mm256_cvtepu32_epi64(k);
        return _mm256_add_epi32(v, _mm256_or_si256(wide, _mm256_slli_epi64(wide, 32)));
    }
    // Byte offsets of table rows: the pair of lane l at out[2 l] and out[2 l + 1].
    SKYLOOM_LANES_TARGET static void StoreRowOffsets(P rows, int* out)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_slli_epi32(rows, 5));
    }
    // The 16 bytes from double `at` on of the rows of lanes `lane` and `lane` + 2, the row
    // of lane l being at byte offsets[2 l] of the table.
    SKYLOOM_LANES_TARGET static D RowHalves(const double (*table)[4], const int* offsets,
                                            int lane, int at)
    {
        auto half = [table, offsets, at](int l) SKYLOOM_LANES_TARGET {
            const char* row = reinterpret_cast<const char*>(table) + offsets[2 * l];
            return _mm_load_pd(reinterpret_cast<const double*>(row) + at);
        };
        return _mm256_insertf128_pd(_mm256_castpd128_pd256(half(lane)), half(lane + 2), 1);
    }
    // The gradients of the rows at offsets[2 l] (lane l) and of the rows after them: g[0]
    // the x, y and z of the first rows, g[1] of the next.
    SKYLOOM_LANES_TARGET static void GradientPairs(const double (*table)[4], const int* offsets,
                                                   D (&g)[2][3])
    {
        // Two halves of rows of lanes 0 and 2 in one register, of lanes 1 and 3 in the
        // other: an unpack then gives one component of all four lanes.
        auto halves = [table, offsets](int lane, int at) SKYLOOM_LANES_TARGET {
            return RowHalves(table, offsets, lane, at);
        };
        for (int r = 0; r < 2; ++r) {
            const D xy02 = halves(0, 4 * r), xy13 = halves(1, 4 * r);
            const D z02 = halves(0, 4 * r + 2), z13 = halves(1, 4 * r + 2);
            g[r][0] = _mm256_unpacklo_pd(xy02, xy13);
            g[r][1] = _mm256_unpackhi_pd(xy02, xy13);
            g[r][2] = _mm256_unpacklo_pd(z02, z13);
        }
    }
};
#include "NoiseLanes.inl"
#undef SKYLOOM_LANES_TARGET
#undef SKYLOOM_LANES_INLINE
}

// Eight points in the lanes of AVX-512 registers, the same way. The zero-masked forms with
// every lane kept are the plain instructions; GCC 12 warns about the undefined source
// register of the plain intrinsics.
namespace avx512 {
#define SKYLOOM_LANES_TARGET __attribute__((target("avx512f,avx2")))
#define SKYLOOM_LANES_INLINE inline __attribute__((always_inline))
struct Lanes
{
    using D = __m512d;
    using I = __m256i;
    using P = __m512i;
    static constexpr size_t kWidth = 8;
    static constexpr __mmask8 kAll = 0xFF;
    SKYLOOM_LANES_TARGET static D Load(const double* p) { return _mm512_loadu_pd(p); }
    SKYLOOM_LANES_TARGET static void Store(double* p, D v) { _mm512_storeu_pd(p, v); }
    SKYLOOM_LANES_TARGET static D Set(double v) { return _mm512_set1_pd(v); }
    SKYLOOM_LANES_TARGET static D Add(D a, D b) { return _mm512_add_pd(a, b); }
    SKYLOOM_LANES_TARGET static D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
    SKYLOOM_LANES_TARGET static D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
    SKYLOOM_LANES_TARGET static I Truncate(D v) { return _mm512_maskz_cvttpd_epi32(kAll, v); }
    SKYLOOM_LANES_TARGET static D ToDouble(I v) { return _mm512_maskz_cvtepi32_pd(kAll, v); }
    SKYLOOM_LANES_TARGET static I SetInt(int v) { return _mm256_set1_epi32(v); }
    SKYLOOM_LANES_TARGET static I AddInt(I a, I b) { return _mm256_add_epi32(a, b); }
    SKYLOOM_LANES_TARGET static I AndInt(I a, I b) { return _mm256_and_si256(a, b); }
    SKYLOOM_LANES_TARGET static P GatherPairs(const int* table, I k)
    {
        return _mm512_mask_i32gather_epi64(_mm512_setzero_si512(), kAll, k, table, 4);
    }
    SKYLOOM_LANES_TARGET static I Firsts(P v) { return _mm512_maskz_cvtepi64_epi32(kAll, v); }
    SKYLOOM_LANES_TARGET static I Seconds(P v)
    {
        return _mm512_maskz_cvtepi64_epi32(kAll, _mm512_maskz_srli_epi64(kAll, v, 32));
    }
    SKYLOOM_LANES_TARGET static P AddToPairs(P v, I k)
    {
        const P wide = _mm512_maskz_cvtepu32_epi64(kAll, k);
        return _mm512_add_epi32(v, _mm512_or_si512(wide, _mm512_maskz_slli_epi64(kAll, wide, 32)));
    }
    SKYLOOM_LANES_TARGET static void StoreRowOffsets(P rows, int* out)
    {
        _mm512_storeu_si512(out, _mm512_maskz_slli_epi32(0xFFFF, rows, 5));
    }
    SKYLOOM_LANES_TARGET static void GradientPairs(const double (*table)[4], const int* offsets,
                                                   D (&g)[2][3])
    {
        // Lanes 0, 2, 4 and 6 in one register, 1, 3, 5 and 7 in the other.
        auto quarters = [table, offsets](int lane, int at) SKYLOOM_LANES_TARGET {
            const __m256d lo = avx2::Lanes::RowHalves(table, offsets, lane, at);
            const __m256d hi = avx2::Lanes::RowHalves(table, offsets, lane + 4, at);
            return _mm512_maskz_insertf64x4(kAll, _mm512_castpd256_pd512(lo), hi, 1);
        };
        for (int r = 0; r < 2; ++r) {
            const D xyEven = quarters(0, 4 * r), xyOdd = quarters(1, 4 * r);
            const D zEven = quarters(0, 4 * r + 2), zOdd = quarters(1, 4 * r + 2);
            g[r][0] = _mm512_maskz_unpacklo_pd(kAll, xyEven, xyOdd);
            g[r][1] = _mm512_maskz_unpackhi_pd(kAll, xyEven, xyOdd);
            g[r][2] = _mm512_maskz_unpacklo_pd(kAll, zEven, zOdd);
        }
    }
};
#include "NoiseLanes.inl"
#undef SKYLOOM_LANES_TARGET
#undef SKYLOOM_LANES_INLINE
}
#endif

}

NoiseSimd BestNoiseSimd()
{
#ifdef SKYLOOM_NOISE_LANES
    static const NoiseSimd best = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            return NoiseSimd::Avx512;
        return __builtin_cpu_supports("avx2") ? NoiseSimd::Avx2 : NoiseSimd::Scalar;
    }();
    return best;
#else
    return NoiseSimd::Scalar;
#endif
}

namespace {

std::atomic<NoiseSimd> s_noiseSimd{BestNoiseSimd()};

}

NoiseSimd SetNoiseSimd(NoiseSimd simd)
{
    return s_noiseSimd.exchange(std::min(simd, BestNoiseSimd()));
}

void CGradientNoise3D::Noise(const double* x, const double* y, const double* z, double* out,
                             size_t n) const
{
    const NoiseTables tables{m_gradient, m_perm};
    switch (s_noiseSimd.load(std::memory_order_relaxed)) {
#ifdef SKYLOOM_NOISE_LANES
    case NoiseSimd::Avx2: avx2::NoisePoints(tables, x, y, z, out, n); return;
    case NoiseSimd::Avx512: avx512::NoisePoints(tables, x, y, z, out, n); return;
#endif
    default: break;
    }
    for (size_t i = 0; i < n; ++i)
        out[i] = Noise(x[i], y[i], z[i]);
}

bool CGradientNoise3D::OctaveSums(double start, const double* weights, int count,
                                  double lacunarity, double fraction, const double* x,
                                  const double* y, const double* z, double* out, size_t n) const
{
    const NoiseTables tables{m_gradient, m_perm};
    const OctaveTerms terms{start, weights, count, lacunarity, fraction};
    switch (s_noiseSimd.load(std::memory_order_relaxed)) {
#ifdef SKYLOOM_NOISE_LANES
    case NoiseSimd::Avx2: avx2::OctaveSumPoints(tables, terms, x, y, z, out, n); return true;
    case NoiseSimd::Avx512: avx512::OctaveSumPoints(tables, terms, x, y, z, out, n); return true;
#endif
    default: return false;
    }
}
