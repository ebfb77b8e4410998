#include "Resample.h"

#include "document/Dib.h"

#include "effects/RenderThreads.h"

#include <emmintrin.h>

#include <cmath>
#include <new>
#include <vector>

double MitchellFilter(double x)
{
    const double t = std::fabs(x);
    if (t < 1.0)
        return (7.0 * t * t * t - 12.0 * t * t + 16.0 / 3.0) / 6.0;
    if (t < 2.0)
        return (-7.0 / 3.0 * t * t * t + 12.0 * t * t - 20.0 * t + 32.0 / 3.0) / 6.0;
    return 0.0;
}

std::unique_ptr<ContributorList[]> BuildContributors(int n, int m, float scale, float support,
                                                     double (*filter)(double))
{
    if (n <= 0 || m <= 0)
        return nullptr;
    std::unique_ptr<ContributorList[]> lists(new (std::nothrow) ContributorList[m]);
    if (!lists)
        return nullptr;
    // Reducing widens the filter by the reduction factor so every source pixel counts.
    const bool reducing = scale < 1.0f;
    const float width = reducing ? support / scale : support;
    const float stretch = reducing ? 1.0f / scale : 1.0f;
    const int capacity = static_cast<int>(2.0f * width + 1.0f);
    for (int i = 0; i < m; ++i) {
        ContributorList& list = lists[i];
        list.pEntries.reset(new (std::nothrow) Contributor[capacity]);
        if (!list.pEntries)
            return nullptr;
        const float center = static_cast<float>(i) / scale;
        const int left = static_cast<int>(std::ceil(center - width));
        const int right = static_cast<int>(std::floor(center + width));
        for (int j = left; j <= right && list.nCount < capacity; ++j) {
            const double weight = reducing
                                      ? filter((center - static_cast<float>(j)) / stretch) / stretch
                                      : filter(center - static_cast<float>(j));
            const int pixel = j < 0 ? -j : (j >= n ? 2 * n - 1 - j : j);
            list.pEntries[list.nCount++] = {pixel, static_cast<int32_t>(weight * 256.0)};
        }
    }
    return lists;
}

namespace {

inline BYTE ClampChannel(int32_t sum)
{
    const int32_t v = sum / 256;
    return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline int ClampIndex(int i, int n)
{
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

// Four sums of weight x 256 to bytes: sum / 256 held to 0..255. The shift rounds a negative
// sum down where the division truncates it toward zero, but both end below 0 and give 0.
inline __m128i PackSums(__m128i sums)
{
    const __m128i words = _mm_packs_epi32(_mm_srai_epi32(sums, 8), _mm_setzero_si128());
    return _mm_packus_epi16(words, _mm_setzero_si128());
}

// The taps of one destination pixel, ready for the passes. Taps of weight 0 at either end
// are left out (they add nothing), so most pixels read one run of neighbouring source
// pixels; those near an edge, whose indices were mirrored or clamped, keep their indices.
struct CTaps
{
    int nStart = 0;    // first source pixel of the run
    int nCount = 0;    // taps
    int nFirst = 0;    // their first entry in CTapTable::weights and ::pixels
    bool bRun = false; // the taps read pixels nStart, nStart + 1, ... in order
};

struct alignas(16) CPairWeights
{
    int16_t w[8];
};

} // namespace

struct CTapTable
{
    std::vector<CTaps> taps;
    std::vector<int32_t> weights;
    std::vector<int32_t> pixels; // clamped into the source
    // For the horizontal pass: per pair of taps of a run, the weights w0 w1 w0 w1 w0 w1 0 0
    // that multiply (blue, green, red) of two neighbouring pixels.
    std::vector<CPairWeights> pairs;
    std::vector<int> firstPair; // per destination pixel
    bool bPairs = false;
    int32_t nBias = 0; // added to every sum before it is scaled down: 128 rounds
};

namespace {

// Flattens the contributor lists of m destination pixels over n source pixels. With bPairs
// (the horizontal pass) the runs whose pairs of pixels can be read eight bytes at a time
// within a row of n pixels get their pair weights.
bool BuildTapTable(const ContributorList* lists, int n, int m, bool bPairs, CTapTable& table)
{
    try {
        table.taps.resize(static_cast<size_t>(m));
        table.bPairs = bPairs;
        if (bPairs)
            table.firstPair.assign(static_cast<size_t>(m), -1);
        for (int i = 0; i < m; ++i) {
            const ContributorList& list = lists[i];
            int k0 = 0, k1 = list.nCount;
            while (k0 < k1 && list.pEntries[k0].nWeight == 0)
                ++k0;
            while (k1 > k0 && list.pEntries[k1 - 1].nWeight == 0)
                --k1;
            CTaps& t = table.taps[static_cast<size_t>(i)];
            t.nFirst = static_cast<int>(table.weights.size());
            t.nCount = k1 - k0;
            t.nStart = k1 > k0 ? ClampIndex(list.pEntries[k0].nPixel, n) : 0;
            t.bRun = true;
            bool bShort = true;
            for (int k = k0; k < k1; ++k) {
                const Contributor& c = list.pEntries[k];
                const int pixel = ClampIndex(c.nPixel, n);
                t.bRun = t.bRun && pixel == t.nStart + (k - k0);
                bShort = bShort && c.nWeight >= -32768 && c.nWeight <= 32767;
                table.weights.push_back(c.nWeight);
                table.pixels.push_back(pixel);
            }
            // Pairs read 8 bytes from the pair's first pixel: they must stay in the row.
            const int nPairs = (t.nCount + 1) / 2;
            if (bPairs && t.bRun && bShort && nPairs > 0 &&
                3 * (t.nStart + 2 * (nPairs - 1)) + 8 <= 3 * n) {
                table.firstPair[static_cast<size_t>(i)] = static_cast<int>(table.pairs.size());
                const int32_t* w = table.weights.data() + t.nFirst;
                for (int p = 0; p < nPairs; ++p) {
                    const int16_t w0 = static_cast<int16_t>(w[2 * p]);
                    const int16_t w1 =
                        2 * p + 1 < t.nCount ? static_cast<int16_t>(w[2 * p + 1]) : 0;
                    table.pairs.push_back({{w0, w1, w0, w1, w0, w1, 0, 0}});
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// One row across: destination pixels first to last - 1 of a row from src, of the source
// width, into dst from its start.
void ResampleRow(const CTapTable& table, const BYTE* src, BYTE* dst, int first, int last)
{
    const __m128i zero = _mm_setzero_si128();
    for (int x = first; x < last; ++x, dst += 3) {
        const CTaps& t = table.taps[static_cast<size_t>(x)];
        const int firstPair = table.firstPair[static_cast<size_t>(x)];
        if (firstPair >= 0) {
            // b0 g0 r0 b1 g1 r1 . . as words, then interleaved to b0 b1 g0 g1 r0 r1 . . so
            // that one multiply-add gives the three channels of two taps.
            const CPairWeights* w = table.pairs.data() + firstPair;
            const BYTE* p = src + 3 * t.nStart;
            __m128i sums = zero;
            for (int k = 0; k < t.nCount; k += 2, p += 6, ++w) {
                const __m128i v = _mm_unpacklo_epi8(
                    _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
                const __m128i pair = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 6));
                const __m128i weights = _mm_load_si128(reinterpret_cast<const __m128i*>(w->w));
                sums = _mm_add_epi32(sums, _mm_madd_epi16(pair, weights));
            }
            sums = _mm_add_epi32(sums, _mm_set1_epi32(table.nBias));
            const uint32_t bytes = static_cast<uint32_t>(_mm_cvtsi128_si32(PackSums(sums)));
            dst[0] = static_cast<BYTE>(bytes);
            dst[1] = static_cast<BYTE>(bytes >> 8);
            dst[2] = static_cast<BYTE>(bytes >> 16);
            continue;
        }
        const int32_t* weight = table.weights.data() + t.nFirst;
        const int32_t* pixel = table.pixels.data() + t.nFirst;
        int32_t b = table.nBias, g = table.nBias, r = table.nBias;
        for (int k = 0; k < t.nCount; ++k) {
            const BYTE* p = src + 3 * pixel[k];
            b += weight[k] * p[0];
            g += weight[k] * p[1];
            r += weight[k] * p[2];
        }
        dst[0] = ClampChannel(b);
        dst[1] = ClampChannel(g);
        dst[2] = ClampChannel(r);
    }
}

// One row down: the rows of rows (the taps' source rows of the intermediate picture) summed
// into dst, rowBytes long. Sixteen bytes at a time, two taps to a multiply-add.
void ResampleColumnRow(const CTaps& t, const int32_t* weights, const BYTE* const* rows,
                       int rowBytes, BYTE* dst)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= rowBytes; i += 16) {
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        int k = 0;
        for (; k + 2 <= t.nCount; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
            const __m128i w =
                _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(weights[k + 1]) << 16) |
                                                (static_cast<uint32_t>(weights[k]) & 0xFFFF)));
            const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
            const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), w));
        }
        if (k < t.nCount) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i w =
                _mm_set1_epi32(static_cast<int>(static_cast<uint32_t>(weights[k]) & 0xFFFF));
            const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, zero), w));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, zero), w));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, zero), w));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, zero), w));
        }
        const __m128i lo = _mm_packs_epi32(_mm_srai_epi32(s0, 8), _mm_srai_epi32(s1, 8));
        const __m128i hi = _mm_packs_epi32(_mm_srai_epi32(s2, 8), _mm_srai_epi32(s3, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < rowBytes; ++i) {
        int32_t sum = 0;
        for (int k = 0; k < t.nCount; ++k)
            sum += weights[k] * rows[k][i];
        dst[i] = ClampChannel(sum);
    }
}

bool AllWeightsShort(const CTapTable& table)
{
    for (const int32_t w : table.weights)
        if (w < -32768 || w > 32767)
            return false;
    return true;
}

}

CRowResampler::CRowResampler() = default;
CRowResampler::~CRowResampler() = default;

bool CRowResampler::Build(const ContributorList* lists, int n, int m, bool bRound)
{
    try {
        m_table = std::make_unique<CTapTable>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_table->nBias = bRound ? 128 : 0;
    return BuildTapTable(lists, n, m, true, *m_table);
}

void CRowResampler::Resample(const uint8_t* src, uint8_t* dst, int first, int last) const
{
    ResampleRow(*m_table, src, dst, first,
                last < 0 ? static_cast<int>(m_table->taps.size()) : last);
}

// Both passes sum integers, so neither the order of the taps nor the order of the rows
// changes a byte: the passes add in whatever order is fastest, and the rows of each pass
// are shared out over the render threads.
BOOL CDib::Resize(int nNewWidth, int nNewHeight)
{
    if (!m_pBits || !DibSizeAllowed(nNewWidth, nNewHeight))
        return FALSE;
    const int w = m_nWidth, h = m_nHeight;

    // Horizontal pass into an intermediate picture of the new width and the old height.
    CDib temp;
    if (!temp.Create(nNewWidth, h))
        return FALSE;
    CRowResampler across;
    {
        const std::unique_ptr<ContributorList[]> lists = BuildContributors(
            w, nNewWidth, static_cast<float>(nNewWidth) / static_cast<float>(w), 2.0f,
            MitchellFilter);
        if (!lists || !across.Build(lists.get(), w, nNewWidth))
            return FALSE;
    }
    ForEveryRow(0, h, [&](int y) { across.Resample(PixelAddress(0, y), temp.PixelAddress(0, y)); });

    // Vertical pass, a whole destination row at a time.
    CTapTable down;
    {
        const std::unique_ptr<ContributorList[]> lists = BuildContributors(
            h, nNewHeight, static_cast<float>(nNewHeight) / static_cast<float>(h), 2.0f,
            MitchellFilter);
        if (!lists || !BuildTapTable(lists.get(), h, nNewHeight, false, down))
            return FALSE;
    }
    CDib result;
    if (!result.Create(nNewWidth, nNewHeight))
        return FALSE;
    const int rowBytes = 3 * nNewWidth;
    const bool bShort = AllWeightsShort(down);
    ForEveryRow(0, nNewHeight, [&](int y) {
        const CTaps& t = down.taps[static_cast<size_t>(y)];
        const int32_t* weights = down.weights.data() + t.nFirst;
        const int32_t* pixels = down.pixels.data() + t.nFirst;
        BYTE* dst = result.PixelAddress(0, y);
        std::vector<const BYTE*> rows(static_cast<size_t>(t.nCount));
        for (int k = 0; k < t.nCount; ++k)
            rows[static_cast<size_t>(k)] = temp.PixelAddress(0, pixels[k]);
        if (bShort) {
            ResampleColumnRow(t, weights, rows.data(), rowBytes, dst);
            return;
        }
        for (int i = 0; i < rowBytes; ++i) {
            int32_t sum = 0;
            for (int k = 0; k < t.nCount; ++k)
                sum += weights[k] * rows[static_cast<size_t>(k)][i];
            dst[i] = ClampChannel(sum);
        }
    });
    Swap(result);
    return TRUE;
}
