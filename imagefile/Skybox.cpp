#include "Skybox.h"

#include "../document/Dib.h"
#include "../document/QuotedName.h"
#include "../effects/RenderThreads.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kDegrees = 180.0 / kPi;

// Where a direction lands on the panorama, in pixels from its left edge and top row.
struct CPanoramaPoint
{
    double u;
    double v;
};

CPanoramaPoint PanoramaPoint(const CSkyDirection& d, int width, int height)
{
    CPanoramaPoint p{};
    PanoramaPixel(d, width, height, p.u, p.v);
    return p;
}

// Channel values as floats, read from a table: converting each byte costs more than the
// multiply that follows it.
const struct CByteFloats
{
    CByteFloats()
    {
        for (int i = 0; i < 256; ++i)
            v[i] = float(i);
    }
    float operator[](BYTE b) const { return v[b]; }
    float v[256];
} kFloat;

double Overlap(double a0, double a1, double b0, double b1)
{
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// A face pixel's box on the panorama: columns [u0, u1) (wrapping around) and rows [v0, v1)
// from the top, and the whole pixels x0 to x1 - 1 and y0 to y1 - 1 it meets.
struct CFootprint
{
    double u0, u1, v0, v1;
    int x0, x1, y0, y1;
};

// Where faces and panorama are of about one resolution, most footprints meet at most two
// columns and two rows: read directly.
DWORD AverageTwoByTwo(const CDib& panorama, const CFootprint& f)
{
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    const float wx0 = float(std::min(f.x0 + 1.0, f.u1) - f.u0);
    const float wx1 = float(std::max(0.0, f.u1 - (f.x0 + 1)));
    const float wy0 = float(std::min(f.y0 + 1.0, f.v1) - f.v0);
    const float wy1 = float(std::max(0.0, f.v1 - (f.y0 + 1)));
    const int xa = f.x0 < 0 ? f.x0 + w : f.x0 >= w ? f.x0 - w : f.x0;
    const int xb = f.x1 - f.x0 < 2 ? xa : xa + 1 == w ? 0 : xa + 1;
    const BYTE* pTop = panorama.PixelAddress(0, h - 1 - f.y0);
    const BYTE* pBottom = f.y1 - f.y0 < 2 ? pTop : panorama.PixelAddress(0, h - 2 - f.y0);
    const BYTE* p[4] = {pTop + 3 * xa, pTop + 3 * xb, pBottom + 3 * xa, pBottom + 3 * xb};
    const float weights[4] = {wx0 * wy0, wx1 * wy0, wx0 * wy1, wx1 * wy1};
    const float scale = 1.0f / ((wx0 + wx1) * (wy0 + wy1));
    DWORD color = 0;
    for (int c = 0; c < 3; ++c) {
        const float sum = weights[0] * kFloat[p[0][c]] + weights[1] * kFloat[p[1][c]] +
                          weights[2] * kFloat[p[2][c]] + weights[3] * kFloat[p[3][c]];
        color |= DWORD(std::min(255.0f, sum * scale + 0.5f)) << (8 * c);
    }
    return color;
}

// Footprints of up to kSmallFootprint pixels each way: their weights are found once a column
// and a row.
constexpr int kSmallFootprint = 4;
DWORD AverageSmall(const CDib& panorama, const CFootprint& f)
{
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    float wx[kSmallFootprint], wy[kSmallFootprint];
    int xs[kSmallFootprint];
    float sumX = 0, sumY = 0;
    for (int k = 0; k < f.x1 - f.x0; ++k) {
        const int x = f.x0 + k;
        xs[k] = 3 * (x < 0 ? x + w : x >= w ? x - w : x);
        wx[k] = float(Overlap(x, x + 1, f.u0, f.u1));
        sumX += wx[k];
    }
    for (int k = 0; k < f.y1 - f.y0; ++k) {
        wy[k] = float(Overlap(f.y0 + k, f.y0 + k + 1, f.v0, f.v1));
        sumY += wy[k];
    }
    float sum[3] = {0, 0, 0};
    for (int ky = 0; ky < f.y1 - f.y0; ++ky) {
        const BYTE* pRow = panorama.PixelAddress(0, h - 1 - (f.y0 + ky));
        float row[3] = {0, 0, 0};
        for (int kx = 0; kx < f.x1 - f.x0; ++kx) {
            const BYTE* p = pRow + xs[kx];
            for (int c = 0; c < 3; ++c)
                row[c] += wx[kx] * kFloat[p[c]];
        }
        for (int c = 0; c < 3; ++c)
            sum[c] += wy[ky] * row[c];
    }
    const float scale = 1.0f / (sumX * sumY);
    DWORD color = 0;
    for (int c = 0; c < 3; ++c)
        color |= DWORD(std::min(255.0f, sum[c] * scale + 0.5f)) << (8 * c);
    return color;
}

// A wide footprint (by a pole): per row, the pixels wholly inside are added as they are,
// only the two at its ends weighted.
DWORD AverageWide(const CDib& panorama, const CFootprint& f)
{
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    double sum[3] = {0, 0, 0};
    double total = 0;
    for (int y = f.y0; y < f.y1; ++y) {
        const double wy = Overlap(y, y + 1, f.v0, f.v1);
        if (wy <= 0)
            continue;
        const BYTE* pRow = panorama.PixelAddress(0, h - 1 - y);
        double row[3] = {0, 0, 0};
        double rowTotal = 0;
        for (const int x : {f.x0, f.x1 - 1}) {
            const double wx = Overlap(x, x + 1, f.u0, f.u1);
            if (wx <= 0 || (x == f.x1 - 1 && f.x1 - 1 == f.x0))
                continue;
            const BYTE* p = pRow + 3 * (((x % w) + w) % w);
            for (int c = 0; c < 3; ++c)
                row[c] += wx * p[c];
            rowTotal += wx;
        }
        unsigned whole[3] = {0, 0, 0};
        for (int x = f.x0 + 1; x < f.x1 - 1;) {
            // In runs that stop at the panorama's right edge.
            const int xs = ((x % w) + w) % w;
            const int run = std::min(f.x1 - 1 - x, w - xs);
            const BYTE* p = pRow + 3 * xs;
            for (int k = 0; k < run; ++k, p += 3) {
                whole[0] += p[0];
                whole[1] += p[1];
                whole[2] += p[2];
            }
            x += run;
        }
        for (int c = 0; c < 3; ++c)
            sum[c] += wy * (row[c] + whole[c]);
        total += wy * (rowTotal + std::max(0, f.x1 - f.x0 - 2));
    }
    DWORD color = 0;
    for (int i = 0; i < 3; ++i)
        color |= DWORD(std::min(255.0, sum[i] / total + 0.5)) << (8 * i);
    return color;
}

// The panorama's average over columns [u0, u1) (wrapping around) and rows [v0, v1) counted
// from the top, each pixel weighted by the part of it inside, as packed 0x00RRGGBB.
DWORD AreaAverage(const CDib& panorama, double u0, double u1, double v0, double v1)
{
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    if (u1 - u0 >= w) {
        u0 = 0;
        u1 = w;
    }
    v0 = std::clamp(v0, 0.0, double(h));
    v1 = std::clamp(v1, 0.0, double(h));
    // A footprint too thin to hold any pixel's area still reads the pixel it lies on.
    constexpr double kThinnest = 1e-6;
    if (u1 - u0 < kThinnest)
        u1 = u0 + kThinnest;
    if (v1 - v0 < kThinnest) {
        v0 = std::min(v0, h - kThinnest);
        v1 = v0 + kThinnest;
    }
    const CFootprint f{u0, u1, v0, v1, FloorToInt(u0), CeilToInt(u1), FloorToInt(v0),
                       std::min(h, CeilToInt(v1))};
    if (f.x1 - f.x0 <= 2 && f.y1 - f.y0 <= 2)
        return AverageTwoByTwo(panorama, f);
    if (f.x1 - f.x0 <= kSmallFootprint && f.y1 - f.y0 <= kSmallFootprint)
        return AverageSmall(panorama, f);
    return AverageWide(panorama, f);
}

} // namespace

CSkyDirection PanoramaDirection(double dLongitude, double dLatitude)
{
    const double lon = dLongitude / kDegrees, lat = dLatitude / kDegrees;
    return {-std::cos(lat) * std::sin(lon), std::sin(lat), -std::cos(lat) * std::cos(lon)};
}

void PanoramaAngles(const CSkyDirection& d, double& dLongitude, double& dLatitude)
{
    dLatitude = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * kDegrees;
    dLongitude = std::atan2(-d.x, -d.z) * kDegrees;
    if (dLongitude < 0)
        dLongitude += 360.0;
    if (dLongitude >= 360.0)
        dLongitude = 0;
}

void PanoramaPixel(const CSkyDirection& d, int width, int height, double& u, double& v)
{
    double lon = FastAtan2(-d.x, -d.z) * (0.5 / kPi);
    if (lon < 0)
        lon += 1;
    u = std::min(lon * width, std::nextafter(double(width), 0.0));
    v = (0.5 - FastAtan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * (1 / kPi)) * height;
}

// OpenGL's cube map table: on face F, the coordinates sc and tc (-1 to 1, tc downwards on
// the stored image) and the major axis give the direction.
CSkyDirection CubeFaceDirection(ECubeFace face, double s, double t)
{
    const double sc = 2 * s - 1, tc = 2 * t - 1;
    CSkyDirection d{};
    switch (face) {
    case CubeFacePositiveX:
        d = {1, -tc, -sc};
        break;
    case CubeFaceNegativeX:
        d = {-1, -tc, sc};
        break;
    case CubeFacePositiveY:
        d = {sc, 1, tc};
        break;
    case CubeFaceNegativeY:
        d = {sc, -1, -tc};
        break;
    case CubeFacePositiveZ:
        d = {sc, -tc, 1};
        break;
    case CubeFaceNegativeZ:
    default:
        d = {-sc, -tc, -1};
        break;
    }
    const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / n, d.y / n, d.z / n};
}

ECubeFace CubeFaceOf(const CSkyDirection& d, double& s, double& t)
{
    const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    ECubeFace face;
    double sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = d.x >= 0 ? CubeFacePositiveX : CubeFaceNegativeX;
        ma = ax;
        sc = d.x >= 0 ? -d.z : d.z;
        tc = -d.y;
    } else if (ay >= az) {
        face = d.y >= 0 ? CubeFacePositiveY : CubeFaceNegativeY;
        ma = ay;
        sc = d.x;
        tc = d.y >= 0 ? d.z : -d.z;
    } else {
        face = d.z >= 0 ? CubeFacePositiveZ : CubeFaceNegativeZ;
        ma = az;
        sc = d.z >= 0 ? d.x : -d.x;
        tc = -d.y;
    }
    s = (sc / ma + 1) / 2;
    t = (tc / ma + 1) / 2;
    return face;
}

namespace {

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
          m_u(size_t(m_nQuarter) * m_nQuarter),
          m_v(size_t(m_nQuarter) * m_nQuarter)
    {
        const ECubeFace face = bPole ? CubeFacePositiveY : CubeFacePositiveZ;
        ForEveryRow(0, m_nQuarter, [&](int j) {
            for (int i = 0; i < m_nQuarter; ++i) {
                const CPanoramaPoint p = PanoramaPoint(
                    CubeFaceDirection(face, double(i) / nSize, double(j) / nSize), width, height);
                m_u[size_t(j) * m_nQuarter + i] = float(p.u);
                m_v[size_t(j) * m_nQuarter + i] = float(p.v);
            }
        });
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
        double u = m_u[k], v = m_v[k];
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
    std::vector<float> m_u, m_v;
};

// Face pixels from a grid: each the area average of the box its four corners span. The
// face is made in blocks, so that the part of the panorama a block reads (an arc of it, for
// the floor and the ceiling) stays at hand while the block is made.
void FillFace(const CDib& panorama, const CFaceGrid& grid, ECubeFace face, int nSize, CDib& result)
{
    constexpr int kBlock = 32;
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    const bool bPoleFace = face == CubeFacePositiveY || face == CubeFaceNegativeY;
    const double centre = nSize / 2.0;
    ForEveryRow(0, (nSize + kBlock - 1) / kBlock, [&](int band) {
        const int jEnd = std::min(nSize, (band + 1) * kBlock);
        for (int iStart = 0; iStart < nSize; iStart += kBlock) {
            const int iEnd = std::min(nSize, iStart + kBlock);
            for (int j = band * kBlock; j < jEnd; ++j) {
                BYTE* pRow = result.PixelAddress(0, nSize - 1 - j);
                CPanoramaPoint topLeft = grid.Corner(face, iStart, j, w, h);
                CPanoramaPoint bottomLeft = grid.Corner(face, iStart, j + 1, w, h);
                for (int i = iStart; i < iEnd; ++i) {
                    const CPanoramaPoint topRight = grid.Corner(face, i + 1, j, w, h);
                    const CPanoramaPoint bottomRight = grid.Corner(face, i + 1, j + 1, w, h);
                    const CPanoramaPoint quad[4] = {topLeft, topRight, bottomLeft, bottomRight};
                    topLeft = topRight;
                    bottomLeft = bottomRight;
                    // Longitudes unwrapped next to the first corner's, so that a pixel across
                    // the panorama's seam spans the seam, not the whole picture.
                    double u0 = quad[0].u, u1 = quad[0].u, v0 = quad[0].v, v1 = quad[0].v;
                    for (const CPanoramaPoint& p : quad) {
                        const double u = p.u - quad[0].u > w / 2.0   ? p.u - w
                                         : quad[0].u - p.u > w / 2.0 ? p.u + w
                                                                     : p.u;
                        u0 = std::min(u0, u);
                        u1 = std::max(u1, u);
                        v0 = std::min(v0, p.v);
                        v1 = std::max(v1, p.v);
                    }
                    // The pixel over a pole covers every longitude down to the pole's row.
                    if (bPoleFace && i <= centre && centre <= i + 1 && j <= centre &&
                        centre <= j + 1) {
                        u0 = 0;
                        u1 = w;
                        if (face == CubeFacePositiveY)
                            v0 = 0;
                        else
                            v1 = h;
                    }
                    const DWORD color = AreaAverage(panorama, u0, u1, v0, v1);
                    pRow[3 * i] = BYTE(color);
                    pRow[3 * i + 1] = BYTE(color >> 8);
                    pRow[3 * i + 2] = BYTE(color >> 16);
                }
            }
        }
    });
}

// A side face: its pixels' longitudes are those of their column alone (the face stands
// upright), so each column's panorama columns and weights are found once and each pixel only
// finds its rows. False, leaving the face to FillFace, where a column meets more panorama
// columns than the short path takes (a face far smaller than the panorama).
bool FillSideFace(const CDib& panorama, const CFaceGrid& grid, ECubeFace face, int nSize,
                  CDib& result)
{
    constexpr int kColumns = 3;
    const int w = panorama.m_nWidth, h = panorama.m_nHeight;
    struct CColumn
    {
        int nCount;
        int offsets[kColumns]; // bytes into a panorama row
        float weights[kColumns];
    };
    std::vector<CColumn> columns(nSize);
    for (int i = 0; i < nSize; ++i) {
        const double a = grid.Corner(face, i, 0, w, h).u;
        double b = grid.Corner(face, i + 1, 0, w, h).u;
        b += b - a > w / 2.0 ? -w : a - b > w / 2.0 ? w : 0;
        const double u0 = std::min(a, b), u1 = std::max(u0 + 1e-6, std::max(a, b));
        const int x0 = FloorToInt(u0), x1 = CeilToInt(u1);
        if (x1 - x0 > kColumns)
            return false;
        CColumn& column = columns[i];
        column.nCount = x1 - x0;
        for (int k = 0; k < column.nCount; ++k) {
            const int x = x0 + k;
            column.offsets[k] = 3 * (x < 0 ? x + w : x >= w ? x - w : x);
            column.weights[k] = float(std::min(x + 1.0, u1) - std::max(double(x), u0));
        }
    }
    ForEveryRow(0, nSize, [&](int j) {
        BYTE* pOut = result.PixelAddress(0, nSize - 1 - j);
        std::vector<double> top(nSize + 1), bottom(nSize + 1);
        for (int i = 0; i <= nSize; ++i) {
            top[i] = grid.Corner(face, i, j, w, h).v;
            bottom[i] = grid.Corner(face, i, j + 1, w, h).v;
        }
        for (int i = 0; i < nSize; ++i) {
            const CColumn& column = columns[i];
            // Rows grow downwards on a side face: the top edge's corners are the highest.
            const double v0 = std::clamp(std::min(top[i], top[i + 1]), 0.0, h - 1e-6);
            const double v1 =
                std::clamp(std::max(bottom[i], bottom[i + 1]), v0 + 1e-6, double(h));
            const int y0 = FloorToInt(v0), y1 = std::min(h, CeilToInt(v1));
            float sum[3] = {0, 0, 0}, total = 0;
            for (int y = y0; y < y1; ++y) {
                const float wy = float(std::min(y + 1.0, v1) - std::max(double(y), v0));
                const BYTE* pRow = panorama.PixelAddress(0, h - 1 - y);
                for (int k = 0; k < column.nCount; ++k) {
                    const float wxy = wy * column.weights[k];
                    const BYTE* p = pRow + column.offsets[k];
                    sum[0] += wxy * kFloat[p[0]];
                    sum[1] += wxy * kFloat[p[1]];
                    sum[2] += wxy * kFloat[p[2]];
                    total += wxy;
                }
            }
            const float scale = 1.0f / total;
            for (int c = 0; c < 3; ++c)
                pOut[3 * i + c] = BYTE(std::min(255.0f, sum[c] * scale + 0.5f));
        }
    });
    return true;
}

bool FaceSizeAllowed(const CDib& panorama, int nSize)
{
    return panorama.m_nWidth > 0 && panorama.m_nHeight > 0 && nSize > 0 &&
           nSize <= kMaxSkyboxFaceSize;
}

} // namespace

bool MakeCubeFace(const CDib& panorama, ECubeFace face, int nSize, CDib& out)
{
    if (!FaceSizeAllowed(panorama, nSize) || face < 0 || face >= CubeFaceCount)
        return false;
    CDib result;
    if (!result.Create(nSize, nSize))
        return false;
    const bool bPole = face == CubeFacePositiveY || face == CubeFaceNegativeY;
    const CFaceGrid grid(nSize, bPole, panorama.m_nWidth, panorama.m_nHeight);
    if (bPole || !FillSideFace(panorama, grid, face, nSize, result))
        FillFace(panorama, grid, face, nSize, result);
    out.Swap(result);
    return true;
}

bool MakeCubeFaces(const CDib& panorama, int nSize, CDib (&faces)[CubeFaceCount])
{
    if (!FaceSizeAllowed(panorama, nSize))
        return false;
    const CFaceGrid sides(nSize, false, panorama.m_nWidth, panorama.m_nHeight);
    const CFaceGrid poles(nSize, true, panorama.m_nWidth, panorama.m_nHeight);
    for (int f = 0; f < CubeFaceCount; ++f) {
        const auto face = static_cast<ECubeFace>(f);
        if (!faces[f].Create(nSize, nSize))
            return false;
        const bool bPole = face == CubeFacePositiveY || face == CubeFaceNegativeY;
        if (bPole || !FillSideFace(panorama, sides, face, nSize, faces[f]))
            FillFace(panorama, bPole ? poles : sides, face, nSize, faces[f]);
    }
    return true;
}

const char* CubeFaceName(ECubeFace face, ESkyboxNaming naming)
{
    static const char* const kAxes[CubeFaceCount] = {"px", "nx", "py", "ny", "pz", "nz"};
    static const char* const kSides[CubeFaceCount] = {"right",  "left",  "top",
                                                      "bottom", "front", "back"};
    if (face < 0 || face >= CubeFaceCount)
        return "";
    return naming == ESkyboxNaming::Axes ? kAxes[face] : kSides[face];
}

int DefaultSkyboxFaceSize(const CDib& panorama)
{
    return std::clamp(panorama.m_nHeight / 2, 1, kMaxSkyboxFaceSize);
}

bool ExportSkybox(const CDib& panorama, const QString& folder, int nSize, ESkyboxNaming naming,
                  const QString& extension, QString& error)
{
    if (panorama.m_nWidth != 2 * panorama.m_nHeight || panorama.m_nHeight <= 0) {
        error = QStringLiteral("a skybox is made from a sky sphere, a panorama twice as wide as "
                               "high; this picture is %1 x %2")
                    .arg(panorama.m_nWidth)
                    .arg(panorama.m_nHeight);
        return false;
    }
    if (nSize < 1 || nSize > kMaxSkyboxFaceSize) {
        error = QStringLiteral("a face must be 1 to %1 pixels a side").arg(kMaxSkyboxFaceSize);
        return false;
    }
    const QString ext = extension.toLower();
    if (ext != QLatin1String("png") && ext != QLatin1String("jpg") && ext != QLatin1String("bmp")) {
        error = QStringLiteral("faces are written as png, jpg or bmp, not %1").arg(extension);
        return false;
    }
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("the folder %1 cannot be made").arg(QuotedName(folder));
        return false;
    }
    CDib faces[CubeFaceCount];
    if (!MakeCubeFaces(panorama, nSize, faces)) {
        error = QStringLiteral("not enough memory for six faces of %1 x %1 pixels").arg(nSize);
        return false;
    }
    for (int f = 0; f < CubeFaceCount; ++f) {
        const auto face = static_cast<ECubeFace>(f);
        const QString path =
            dir.filePath(QLatin1String(CubeFaceName(face, naming)) + QLatin1Char('.') + ext);
        if (!faces[f].Save(QFile::encodeName(path).constData())) {
            error = QStringLiteral("cannot write %1").arg(QuotedName(path));
            return false;
        }
    }
    return true;
}
