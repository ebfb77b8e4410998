// The six faces of a cube map made from a sky panorama.
#include "Skybox.h"

#include "Resample.h"
#include "../document/Dib.h"
#include "../effects/RenderThreads.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Where a direction lands on the panorama, in pixels from its left edge and top row.
struct CPanoramaPoint
{
    double u;
    double v;
};

// Fresh memory is cleared by the system a page at a time as it is first written. When the
// threads write neighbouring rows they wait on the same pages; touching every page first,
// the threads taking distinct runs of 2 MiB (a large page), clears the pages side by side.
void TouchPages(BYTE* p, size_t bytes)
{
    constexpr size_t kPage = 4096, kRun = size_t(2) << 20;
    const uintptr_t start = reinterpret_cast<uintptr_t>(p) & ~uintptr_t(kRun - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(p) + bytes;
    ForEveryRow(0, int((end - start + kRun - 1) / kRun), [&](int run) {
        const uintptr_t from = std::max(start + run * kRun, reinterpret_cast<uintptr_t>(p));
        for (uintptr_t a = from; a < std::min(end, start + (run + 1) * kRun); a += kPage)
            *reinterpret_cast<volatile BYTE*>(a) = 0;
    });
}
void TouchPages(CDib& picture)
{
    TouchPages(picture.PixelAddress(0, 0), size_t(picture.m_nStride) * picture.m_nHeight);
}

// The panorama points of a face's pixel corners, (nSize + 1)^2 of them. Four faces share
// one grid turned by quarters of longitude, and the floor's is the ceiling's upside down, so
// an export computes two; each grid is the same mirrored left to right and top to bottom,
// so only a quarter of it is found and kept (to a thousandth of a pixel, in floats).
class CFaceGrid
{
public:
    // The grid of +Z (bPole false) or of +Y.
    CFaceGrid(int nSize, bool bPole, int width, int height)
        : m_nSize(nSize),
          m_nQuarter(nSize / 2 + 1),
          m_bPole(bPole),
          // On +Z a corner's longitude is its column's: one a column.
          m_u(new float[size_t(m_nQuarter) * (bPole ? size_t(m_nQuarter) : 1)]),
          m_v(new float[size_t(m_nQuarter) * size_t(m_nQuarter)])
    {
        // A corner (sc, tc) (-1 to 1 across the face) looks along (sc, -tc, 1) on +Z and
        // (sc, 1, tc) on +Y; its longitude and latitude as the panorama takes them. On +Z the
        // longitude, and the length across, are a column's alone.
        const auto corner = [nSize](int k) { return 2.0 * k / nSize - 1; };
        const auto toU = [width](double lon) {
            const double u = (lon < 0 ? lon + 2 * kPi : lon) * (0.5 / kPi) * width;
            return float(std::min(u, width - 1e-3));
        };
        const size_t points = size_t(m_nQuarter) * size_t(m_nQuarter);
        TouchPages(reinterpret_cast<BYTE*>(m_v.get()), points * sizeof(float));
        if (bPole)
            TouchPages(reinterpret_cast<BYTE*>(m_u.get()), points * sizeof(float));
        std::vector<double> across(static_cast<size_t>(m_nQuarter));
        for (int i = 0; i < m_nQuarter && !bPole; ++i) {
            const double sc = corner(i);
            m_u[size_t(i)] = toU(FastAtan2(-sc, -1.0));
            across[size_t(i)] = std::sqrt(sc * sc + 1);
        }
        // The +Y grid is the same mirrored about its diagonal, longitudes turned about 45
        // degrees: only the half on and below it is found.
        ForEveryRow(0, m_nQuarter, [&](int j) {
            const double tc = corner(j);
            for (int i = 0; i < (bPole ? j + 1 : m_nQuarter); ++i) {
                const double sc = corner(i);
                const size_t k = size_t(j) * m_nQuarter + i;
                const double lat = bPole ? FastAtan2(1.0, std::sqrt(sc * sc + tc * tc))
                                         : FastAtan2(-tc, across[size_t(i)]);
                if (bPole)
                    m_u[k] = toU(FastAtan2(-sc, -tc));
                m_v[k] = float((0.5 - lat * (1 / kPi)) * height);
            }
        });
        if (bPole)
            ForEveryRow(0, m_nQuarter, [&](int j) {
                for (int i = j + 1; i < m_nQuarter; ++i) {
                    const size_t k = size_t(j) * m_nQuarter + i, t = size_t(i) * m_nQuarter + j;
                    const float u = float(width / 4.0) - m_u[t];
                    m_u[k] = u < 0 ? u + float(width) : u;
                    m_v[k] = m_v[t];
                }
            });
    }
    // The panorama row of corner (i, j) of a side face, from +Z's grid: the same on all four.
    double SideRow(int i, int j, int height) const
    {
        const bool bRight = i >= m_nQuarter, bLow = j >= m_nQuarter;
        const float v =
            m_v[size_t(bLow ? m_nSize - j : j) * m_nQuarter + size_t(bRight ? m_nSize - i : i)];
        return bLow ? height - double(v) : double(v);
    }
    // Corner (i, j) of face, from this grid (+Z's for the sides, +Y's for the poles).
    CPanoramaPoint Corner(ECubeFace face, int i, int j, int width, int height) const
    {
        switch (face) {
        case CubeFaceNegativeY: {
            const CPanoramaPoint p = At(i, m_nSize - j, width, height);
            return {p.u, height - p.v};
        }
        case CubeFacePositiveX:
            return Turned(At(i, j, width, height), width / 4.0, width);
        case CubeFaceNegativeZ:
            return Turned(At(i, j, width, height), width / 2.0, width);
        case CubeFaceNegativeX:
            return Turned(At(i, j, width, height), 3 * width / 4.0, width);
        default:
            return At(i, j, width, height);
        }
    }

private:
    // Mirrored left to right, a point's longitude turns the other way (u to width - u) on
    // both grids; top to bottom, on +Z its latitude does (v to height - v) and on +Y its
    // longitude is taken from the half turn (u to width / 2 - u).
    CPanoramaPoint At(int i, int j, int width, int height) const
    {
        const bool bRight = i >= m_nQuarter, bLow = j >= m_nQuarter;
        const size_t k = size_t(bLow ? m_nSize - j : j) * m_nQuarter + (bRight ? m_nSize - i : i);
        double u = m_bPole ? m_u[k] : m_u[bRight ? m_nSize - i : i], v = m_v[k];
        if (bRight && u > 0)
            u = width - u;
        if (bLow && m_bPole)
            u = u <= width / 2.0 ? width / 2.0 - u : 1.5 * width - u;
        else if (bLow)
            v = height - v;
        return {u, v};
    }
    static CPanoramaPoint Turned(CPanoramaPoint p, double du, int width)
    {
        p.u += du;
        if (p.u >= width)
            p.u -= width;
        return p;
    }

    int m_nSize;
    int m_nQuarter;
    bool m_bPole;
    // Every element is found before it is read.
    std::unique_ptr<float[]> m_u, m_v;
};

// The pixels a span [a0, a1) of a row or column meets, from the one returned on, each
// weighted by the part of it inside, in whole parts of total that add up to total exactly:
// each weight is where the running sum rounds to, less where it rounded to before. A span
// too thin to hold any pixel's area still reads the pixel it lies on.
int SpanWeights(double a0, double a1, int total, std::vector<int>& weights)
{
    a1 = std::max(a1, a0 + 1e-6);
    const int first = FloorToInt(a0), end = CeilToInt(a1);
    const double scale = total / (a1 - a0);
    weights.resize(size_t(end - first));
    int before = 0;
    for (size_t k = 0; k + 1 < weights.size(); ++k) {
        const int upTo = int((first + int(k) + 1 - a0) * scale + 0.5);
        weights[k] = upTo - before;
        before = upTo;
    }
    weights.back() = total - before;
    return first;
}

// The weights down a face's rows add up to 2^kDownBits.
constexpr int kDownBits = 14;

// The side faces in the order their columns are interleaved in the pass across.
constexpr ECubeFace kSideFaces[4] = {CubeFacePositiveX, CubeFaceNegativeX, CubeFacePositiveZ,
                                     CubeFaceNegativeZ};

// Four pixels at once, the same column of the four side faces: the rows from first down of
// band, each its weight times the 12 bytes at offset, summed and rounded into bytes 0 to 11
// of the result. Two rows to a multiply-add.
__m128i SumDown(const BYTE* band, size_t stride, int first, const std::vector<int>& weights,
                size_t offset)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i s0 = zero, s1 = zero, s2 = zero;
    const BYTE* row = band + stride * size_t(first) + offset;
    const size_t n = weights.size();
    for (size_t k = 0; k < n; k += 2, row += 2 * stride) {
        const bool bPair = k + 1 < n;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
        const __m128i b =
            bPair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + stride)) : zero;
        const __m128i w = _mm_set1_epi32(
            int((uint32_t(bPair ? weights[k + 1] : 0) << 16) | uint32_t(weights[k])));
        const __m128i alo = _mm_unpacklo_epi8(a, zero), ahi = _mm_unpackhi_epi8(a, zero);
        const __m128i blo = _mm_unpacklo_epi8(b, zero), bhi = _mm_unpackhi_epi8(b, zero);
        s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), w));
        s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), w));
        s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), w));
    }
    const __m128i half = _mm_set1_epi32(1 << (kDownBits - 1));
    s0 = _mm_srai_epi32(_mm_add_epi32(s0, half), kDownBits);
    s1 = _mm_srai_epi32(_mm_add_epi32(s1, half), kDownBits);
    s2 = _mm_srai_epi32(_mm_add_epi32(s2, half), kDownBits);
    return _mm_packus_epi16(_mm_packs_epi32(s0, s1), _mm_packs_epi32(s2, zero));
}

// The pass across of the side faces: columns averaged from a panorama row into the faces'
// columns, column i of face kSideFaces[q] at 4i + q.
bool SideFaceColumns(const CDib& panorama, const CFaceGrid& grid, int nSize, CRowResampler& across)
{
    const int w = panorama.m_nWidth, h = panorama.m_nHeight, m = 4 * nSize;
    std::unique_ptr<ContributorList[]> lists(new (std::nothrow) ContributorList[size_t(m)]);
    if (!lists)
        return false;
    std::vector<int> weights;
    for (int q = 0; q < 4; ++q)
        for (int i = 0; i < nSize; ++i) {
            // A side face stands upright: a column's longitudes are those of its top edge.
            const double a = grid.Corner(kSideFaces[q], i, 0, w, h).u;
            const double b = NearLongitude(grid.Corner(kSideFaces[q], i + 1, 0, w, h).u, a, w);
            const int first = SpanWeights(std::min(a, b), std::max(a, b), 256, weights);
            ContributorList& list = lists[4 * size_t(i) + q];
            list.pEntries.reset(new (std::nothrow) Contributor[weights.size()]);
            if (!list.pEntries)
                return false;
            list.nCount = int(weights.size());
            for (int k = 0; k < list.nCount; ++k) {
                const int x = first + k;
                list.pEntries[k] = {x < 0 ? x + w : x >= w ? x - w : x, weights[size_t(k)]};
            }
        }
    return across.Build(lists.get(), w, m, true);
}

// The four side faces together. A side face stands upright, so its pixels' longitudes are
// those of their column alone, and each of its pixels spans the same rows as the pixel in
// its place on the other three: each face pixel is the average over its box made in two
// passes, across the panorama's rows into the faces' columns, then down those rows with one
// set of weights for the four faces. The faces are made in strips of columns, so that the
// band the first pass fills stays small.
bool FillSideFaces(const CDib& panorama, const CFaceGrid& grid, int nSize, CDib* (&faces)[4])
{
    constexpr int kStrip = 256;
    const int h = panorama.m_nHeight;
    // The rows columns i0 to i1 - 1 reach: down from their top edge's highest corner (a side
    // face's rows grow downwards) to their bottom edge's lowest.
    const auto reach = [&](int i0, int i1, int& y0, int& y1) {
        double vTop = h, vBottom = 0;
        for (int i = i0; i <= i1; ++i) {
            vTop = std::min(vTop, grid.SideRow(i, 0, h));
            vBottom = std::max(vBottom, grid.SideRow(i, nSize, h));
        }
        y0 = std::clamp(FloorToInt(vTop) - 1, 0, h - 1);
        y1 = std::clamp(CeilToInt(vBottom) + 1, y0 + 1, h);
    };
    int yBand = 0, yBandEnd = 0;
    reach(0, nSize, yBand, yBandEnd);
    CRowResampler across;
    CDib band; // two pixels longer, so that SumDown may read 16 bytes from any column's four
    if (!SideFaceColumns(panorama, grid, nSize, across) ||
        !band.Create(4 * std::min(kStrip, nSize) + 2, yBandEnd - yBand))
        return false;
    TouchPages(band);
    const BYTE* pBand = band.PixelAddress(0, 0);
    const size_t stride = size_t(band.m_nStride);
    for (int i0 = 0; i0 < nSize; i0 += kStrip) {
        const int i1 = std::min(nSize, i0 + kStrip);
        int y0 = 0, y1 = 0;
        reach(i0, i1, y0, y1);
        ForEveryRow(y0, y1, [&](int y) {
            across.Resample(panorama.PixelAddress(0, h - 1 - y), band.PixelAddress(0, y - yBand),
                            4 * i0, 4 * i1);
        });
        // In bands of rows, each row's bottom edge the next one's top.
        constexpr int kBand = 8;
        ForEveryRow(0, (nSize + kBand - 1) / kBand, [&](int band) {
            double edges[2][kStrip + 1];
            for (int i = i0; i <= i1; ++i)
                edges[0][i - i0] = grid.SideRow(i, band * kBand, h);
            std::vector<int> weights;
            for (int j = band * kBand; j < std::min(nSize, (band + 1) * kBand); ++j) {
                const double* top = edges[j % 2];
                double* bottom = edges[(j + 1) % 2];
                for (int i = i0; i <= i1; ++i)
                    bottom[i - i0] = grid.SideRow(i, j + 1, h);
                BYTE* out[4];
                for (int q = 0; q < 4; ++q)
                    out[q] = faces[q]->PixelAddress(0, nSize - 1 - j);
                for (int i = i0; i < i1; ++i) {
                    const int k = i - i0;
                    const double v0 =
                        std::clamp(std::min(top[k], top[k + 1]), double(y0), y1 - 1e-6);
                    const double v1 =
                        std::clamp(std::max(bottom[k], bottom[k + 1]), v0, double(y1));
                    const int first = SpanWeights(v0, v1, 1 << kDownBits, weights);
                    const __m128i pixels =
                        SumDown(pBand, stride, first - yBand, weights, 12 * size_t(k));
                    // Four bytes at a time where the fourth is the next pixel's, written after.
                    const uint32_t face[4] = {
                        uint32_t(_mm_cvtsi128_si32(pixels)),
                        uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 3))),
                        uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 6))),
                        uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 9)))};
                    for (int q = 0; q < 4; ++q)
                        std::memcpy(out[q] + 3 * i, &face[q], i + 1 < nSize ? 4 : 3);
                }
            }
        });
    }
    return true;
}

// The rows near the poles averaged across, 2^L pixels to one at level L, for the footprints
// of the ceiling and the floor many columns wide: each is summed at the level where it is
// two to four columns wide. Level 0 is the panorama itself; a level is made only where its
// pixels divide half the panorama's width, and only for the rows by the poles that need it.
class CPolarLevels
{
public:
    CPolarLevels(const CDib& panorama, int nSize) : m_panorama(panorama)
    {
        const int w = panorama.m_nWidth, h = panorama.m_nHeight;
        // A face pixel spans at most 2 / nSize radians, and cos(t) of that across at
        // colatitude t: at most 2 sqrt(2) / nSize / tan(t) of longitude. The faces reach
        // atan(sqrt(2)) from a pole.
        const double span = 2.0 / nSize, widest = std::sqrt(2.0) * span * w / (2 * kPi);
        const double reach = std::atan(std::sqrt(2.0)) + 2 * span;
        // Half the width at a level is whole, so that the ceiling's mirror images read whole
        // pixels.
        for (int level = 1; (w / 2) % (1 << level) == 0 && (w >> level) >= 2; ++level) {
            const double colatitude =
                std::min(reach, std::atan(widest / (2 << level)) + 2 * span);
            CLevel next;
            next.nWidth = w >> level;
            next.nRows = std::min(h / 2, CeilToInt(colatitude / kPi * h) + 2);
            if (level > 1)
                next.nRows = std::min(next.nRows, m_levels.back().nRows);
            // Three pixels to spare at the rows' ends, for reads of eight bytes from the last.
            next.pixels = std::make_unique<CDib>();
            if (!next.pixels->CreateUncleared(next.nWidth + 3, 2 * next.nRows))
                break;
            TouchPages(*next.pixels);
            next.stride = size_t(next.pixels->m_nStride);
            next.bytes = next.pixels->PixelAddress(0, 0);
            m_levels.push_back(std::move(next));
            Halve(level);
        }
    }
    int Levels() const { return int(m_levels.size()) + 1; }
    // Rows 0 to Rows(level) - 1 from each pole are at level.
    int Rows(int level) const
    {
        return level == 0 ? m_panorama.m_nHeight : m_levels[size_t(level) - 1].nRows;
    }
    // Where a level's rows are: row y from the top is at ceiling + y * ceilingStride, and
    // from the bottom at floor + y * floorStride.
    struct CRows
    {
        const BYTE* ceiling;
        const BYTE* floor;
        ptrdiff_t ceilingStride;
        ptrdiff_t floorStride;
        int nWidth;
        int nLastPair; // the last pixel from which eight bytes may be read
    };
    CRows RowsAt(int level) const
    {
        if (level == 0) {
            const CDib& p = m_panorama;
            // The panorama's rows have no bytes to spare after its last pixel.
            return {p.PixelAddress(0, p.m_nHeight - 1),
                    p.PixelAddress(0, 0),
                    -p.m_nStride,
                    p.m_nStride,
                    p.m_nWidth,
                    p.m_nWidth - 3};
        }
        const CLevel& l = m_levels[size_t(level) - 1];
        return {l.bytes,
                l.bytes + l.stride * size_t(l.nRows),
                ptrdiff_t(l.stride),
                ptrdiff_t(l.stride),
                l.nWidth,
                l.nWidth - 2};
    }

private:
    struct CLevel
    {
        int nWidth;
        int nRows;
        std::unique_ptr<CDib> pixels; // the ceiling's rows, then the floor's
        BYTE* bytes;
        size_t stride;
    };
    // A level from the one before it, each pixel the mean of two, halves rounded to even so
    // that the levels do not drift brighter.
    void Halve(int level)
    {
        CLevel& l = m_levels[size_t(level) - 1];
        ForEveryRow(0, 2 * l.nRows, [&](int r) {
            const bool bFloor = r >= l.nRows;
            const int y = bFloor ? r - l.nRows : r;
            const CRows rows = RowsAt(level - 1);
            const BYTE* src =
                bFloor ? rows.floor + rows.floorStride * y : rows.ceiling + rows.ceilingStride * y;
            BYTE* dst = l.bytes + l.stride * size_t(r);
            int x = 0;
            // Two pixels at a time, reading eight bytes from each pair of the source (the
            // last pixels, whose reads would pass the source row's end, one by one) and
            // writing eight, the last two of them the next pixel's, written after.
            const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi16(1);
            for (; x + 3 < l.nWidth; x += 2, src += 12, dst += 6) {
                const auto sumOfPair = [&](const BYTE* p) {
                    const __m128i v = _mm_unpacklo_epi8(
                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
                    return _mm_add_epi16(v, _mm_srli_si128(v, 6));
                };
                const __m128i sums =
                    _mm_or_si128(_mm_and_si128(sumOfPair(src), _mm_set_epi32(0, 0, 0xFFFF, -1)),
                                 _mm_slli_si128(sumOfPair(src + 6), 6));
                const __m128i halves = _mm_srli_epi16(sums, 1);
                const __m128i even =
                    _mm_add_epi16(halves, _mm_and_si128(_mm_and_si128(sums, halves), one));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(even, zero));
            }
            for (; x < l.nWidth; ++x, src += 6, dst += 3)
                for (int c = 0; c < 3; ++c) {
                    const int sum = src[c] + src[c + 3];
                    dst[c] = BYTE((sum >> 1) + (sum & (sum >> 1) & 1));
                }
            std::memset(dst, 0, l.stride - 3 * size_t(l.nWidth));
        });
    }

    const CDib& m_panorama;
    std::vector<CLevel> m_levels;
};

// Weights of pairs of columns on each row of a box: on row r, pair k weighs its two pixels'
// channels by w0 and w1 (as w0 w1 w0 w1 w0 w1 w0 w1), the products of the column's weight
// (of 2^8) and the row's (of 2^6), forwards and with the columns in reverse order.
struct CBoxWeights
{
    int nRows = 0;
    int nPairs = 0;
    // A vector of __m128i would drop its alignment attribute.
    struct CPair
    {
        __m128i weights;
    };
    std::vector<CPair> forward, reverse;

    void Set(const std::vector<int>& wx, const std::vector<int>& wy)
    {
        nRows = int(wy.size());
        nPairs = int(wx.size() + 1) / 2;
        forward.resize(size_t(nRows) * size_t(nPairs));
        reverse.resize(forward.size());
        const size_t nx = wx.size();
        for (size_t r = 0; r < wy.size(); ++r)
            for (size_t k = 0; k < size_t(nPairs); ++k) {
                const auto at = [&](size_t c) { return c < nx ? uint32_t(wx[c] * wy[r]) : 0; };
                const auto back = [&](size_t c) {
                    return c < nx ? uint32_t(wx[nx - 1 - c] * wy[r]) : 0;
                };
                const size_t e = r * size_t(nPairs) + k;
                forward[e].weights = _mm_set1_epi32(int32_t(at(2 * k) | at(2 * k + 1) << 16));
                reverse[e].weights = _mm_set1_epi32(int32_t(back(2 * k) | back(2 * k + 1) << 16));
            }
    }
};

// A box's average at a level on the ceiling (rows counted from the top) and on the floor
// (counted from the bottom): columns from x (wrapping around) and rows from y0, weighted by
// pairs (nRows x nPairs of them, 2^14 in all). The rounded channels are in bytes 0 to 2 of
// up and down.
void SumBoxes(const CPolarLevels::CRows& rows, int x, const CBoxWeights::CPair* pairs, int nRows,
              int nPairs, int y0, uint32_t& up, uint32_t& down)
{
    const int w = rows.nWidth;
    x = ((x % w) + w) % w;
    const __m128i zero = _mm_setzero_si128();
    // b0 g0 r0 b1 g1 r1 as words, interleaved to b0 b1 g0 g1 r0 r1 and weighed.
    const auto weigh = [&](__m128i pair, __m128i weights) {
        const __m128i v = _mm_unpacklo_epi8(pair, zero);
        return _mm_madd_epi16(_mm_unpacklo_epi16(v, _mm_srli_si128(v, 6)), weights);
    };
    __m128i sumUp = zero, sumDown = zero;
    if (x + 2 * (nPairs - 1) <= rows.nLastPair) {
        // Every pair read at once, eight bytes from its first pixel.
        const BYTE* rowUp = rows.ceiling + rows.ceilingStride * y0 + 3 * x;
        const BYTE* rowDown = rows.floor + rows.floorStride * y0 + 3 * x;
        const auto at = [](const BYTE* p) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        };
        for (int r = 0; r < nRows; ++r, pairs += nPairs) {
            for (int k = 0; k < nPairs; ++k) {
                sumUp = _mm_add_epi32(sumUp, weigh(at(rowUp + 6 * k), pairs[k].weights));
                sumDown = _mm_add_epi32(sumDown, weigh(at(rowDown + 6 * k), pairs[k].weights));
            }
            rowUp += rows.ceilingStride;
            rowDown += rows.floorStride;
        }
    } else {
        // By the row's end, or across it: the pairs put together pixel by pixel.
        const auto pairAt = [&](const BYTE* row, int xk) {
            BYTE bytes[8] = {};
            std::memcpy(bytes, row + 3 * xk, 3);
            std::memcpy(bytes + 3, row + 3 * (xk + 1 == w ? 0 : xk + 1), 3);
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes));
        };
        for (int r = 0; r < nRows; ++r, pairs += nPairs) {
            const BYTE* rowUp = rows.ceiling + rows.ceilingStride * (y0 + r);
            const BYTE* rowDown = rows.floor + rows.floorStride * (y0 + r);
            for (int k = 0, xk = x; k < nPairs; ++k, xk = xk + 2 >= w ? xk + 2 - w : xk + 2) {
                sumUp = _mm_add_epi32(sumUp, weigh(pairAt(rowUp, xk), pairs[k].weights));
                sumDown = _mm_add_epi32(sumDown, weigh(pairAt(rowDown, xk), pairs[k].weights));
            }
        }
    }
    const __m128i half = _mm_set1_epi32(1 << 13);
    const auto pack = [&](__m128i sum) {
        sum = _mm_srai_epi32(_mm_add_epi32(sum, half), 14);
        return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(sum, zero), zero)));
    };
    up = pack(sumUp);
    down = pack(sumDown);
}

// The ceiling (+Y) and the floor (-Y) together. The floor is the ceiling upside down, so
// each ceiling pixel's box, mirrored top to bottom on the panorama, is that of the floor's
// pixel in its place turned upside down. And the ceiling's quarters mirror each other: a
// pixel's image across the face's middle column sees the longitudes turned about 0 (u to
// w - u), across its middle row about 90 (w/2 - u), and across both half a turn on, so the
// boxes are found for one quarter.
class CPoleFaces
{
public:
    CPoleFaces(const CDib& panorama, int nSize, CDib& ceiling, CDib& floor)
        : m_levels(panorama, nSize),
          m_nWidth(panorama.m_nWidth),
          m_nHeight(panorama.m_nHeight),
          m_nSize(nSize),
          m_ceiling(ceiling),
          m_floor(floor)
    {}
    const CPolarLevels& Levels() const { return m_levels; }

    // What one pixel's box needs while it is summed, kept from pixel to pixel.
    struct CScratch
    {
        std::vector<int> wx, wy;
        CBoxWeights weights;
    };
    // Pixel (i, j) of the ceiling's top left quarter, its corners' panorama points in quad
    // (top left, top right, bottom left, bottom right), and its mirror images.
    void Fill(int i, int j, const CPanoramaPoint (&quad)[4], CScratch& scratch) const
    {
        const int w = m_nWidth, h = m_nHeight, n = m_nSize;
        // Longitudes unwrapped next to the first corner's, so that a pixel across the
        // panorama's seam spans the seam, not the whole picture.
        double u0 = quad[0].u, u1 = quad[0].u, v0 = quad[0].v, v1 = quad[0].v;
        for (const CPanoramaPoint& p : quad) {
            const double u = NearLongitude(p.u, quad[0].u, w);
            u0 = std::min(u0, u);
            u1 = std::max(u1, u);
            v0 = std::min(v0, p.v);
            v1 = std::max(v1, p.v);
        }
        // The pixels at the pole cover every longitude up to the pole's row.
        if (2 * i <= n && n <= 2 * i + 2 && 2 * j <= n && n <= 2 * j + 2) {
            u0 = 0;
            u1 = w;
            v0 = 0;
        }
        if (u1 - u0 >= w) {
            u0 = 0;
            u1 = w;
        }
        v0 = std::clamp(v0, 0.0, h - 1e-6);
        v1 = std::clamp(v1, v0, double(h));
        int level = 0;
        while (level + 1 < m_levels.Levels() && u1 - u0 >= double(4 << level))
            ++level;
        while (level > 0 && CeilToInt(v1) > m_levels.Rows(level))
            --level;
        const CPolarLevels::CRows at = m_levels.RowsAt(level);
        const double scale = 1.0 / (1 << level);
        const int y0 = SpanWeights(v0, v1, 1 << 6, scratch.wy);
        const int x0 = SpanWeights(u0 * scale, u1 * scale, 1 << 8, scratch.wx);
        const int nx = int(scratch.wx.size());
        CBoxWeights& weights = scratch.weights;
        weights.Set(scratch.wx, scratch.wy);
        // Mirrored about a longitude (at a whole pixel of the level), or turned half way round.
        const int halfTurn = at.nWidth / 2;
        const int columns[2] = {i, n - 1 - i}, faceRows[2] = {j, n - 1 - j};
        for (int b = 0; b < (faceRows[1] == j ? 1 : 2); ++b)
            for (int r = 0; r < (columns[1] == i ? 1 : 2); ++r) {
                const int about = r && b ? 0 : r ? at.nWidth : b ? halfTurn : 0;
                const int x = about ? about - x0 - nx : x0 + (r && b ? halfTurn : 0);
                uint32_t up = 0, down = 0;
                SumBoxes(at, x, (about ? weights.reverse : weights.forward).data(), weights.nRows,
                         weights.nPairs, y0, up, down);
                // The floor's pixel under the ceiling's (x, y) is (x, n - 1 - y).
                BYTE* pCeiling = m_ceiling.PixelAddress(columns[r], n - 1 - faceRows[b]);
                BYTE* pFloor = m_floor.PixelAddress(columns[r], faceRows[b]);
                for (int c = 0; c < 3; ++c) {
                    pCeiling[c] = BYTE(up >> (8 * c));
                    pFloor[c] = BYTE(down >> (8 * c));
                }
            }
    }

private:
    CPolarLevels m_levels;
    int m_nWidth;
    int m_nHeight;
    int m_nSize;
    CDib& m_ceiling;
    CDib& m_floor;
};

// The ceiling and the floor from the ceiling's grid, made in square tiles of the top left
// quarter, so that the parts of the panorama a tile reads stay at hand while it is made.
void FillPoleFaces(const CDib& panorama, const CFaceGrid& grid, int nSize, CDib& ceiling,
                   CDib& floor)
{
    constexpr int kTile = 32;
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    const CPoleFaces faces(panorama, nSize, ceiling, floor);
    const int half = (nSize + 1) / 2;
    const int bands = (half + kTile - 1) / kTile;
    // The bands by the pole, whose boxes are the widest, first: the threads then finish
    // together.
    ForEveryRow(0, bands, [&](int band) {
        const int j0 = (bands - 1 - band) * kTile, j1 = std::min(half, j0 + kTile);
        const size_t across = size_t(half) + 1;
        std::vector<CPanoramaPoint> corners(across * size_t(j1 - j0 + 1));
        for (int j = j0; j <= j1; ++j)
            for (int i = 0; i <= half; ++i)
                corners[size_t(j - j0) * across + size_t(i)] =
                    grid.Corner(CubeFacePositiveY, i, j, w, h);
        CPoleFaces::CScratch scratch;
        for (int i0 = 0; i0 < half; i0 += kTile)
            for (int j = j0; j < j1; ++j) {
                const CPanoramaPoint* top = corners.data() + size_t(j - j0) * across;
                for (int i = i0; i < std::min(half, i0 + kTile); ++i) {
                    const CPanoramaPoint quad[4] = {top[i], top[i + 1], top[across + i],
                                                    top[across + i + 1]};
                    faces.Fill(i, j, quad, scratch);
                }
            }
    });
}

bool FaceSizeAllowed(const CDib& panorama, int nSize)
{
    return panorama.m_nWidth > 0 && panorama.m_nWidth % 2 == 0 && panorama.m_nHeight > 0 &&
           nSize > 0 && nSize <= kMaxSkyboxFaceSize;
}

} // namespace

bool MakeCubeFaces(const CDib& panorama, int nSize, CDib (&faces)[CubeFaceCount])
{
    if (!FaceSizeAllowed(panorama, nSize))
        return false;
    for (CDib& face : faces) {
        if (!face.CreateUncleared(nSize, nSize))
            return false;
        TouchPages(face);
    }
    CDib* sides[4];
    for (int q = 0; q < 4; ++q)
        sides[q] = &faces[kSideFaces[q]];
    if (!FillSideFaces(panorama, CFaceGrid(nSize, false, panorama.m_nWidth, panorama.m_nHeight),
                       nSize, sides))
        return false;
    FillPoleFaces(panorama, CFaceGrid(nSize, true, panorama.m_nWidth, panorama.m_nHeight), nSize,
                  faces[CubeFacePositiveY], faces[CubeFaceNegativeY]);
    return true;
}
