#include "Resample.h"

#include "document/Dib.h"

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
            const double weight = reducing ? filter((center - static_cast<float>(j)) / stretch) / stretch
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

}

BOOL CDib::Resize(int nNewWidth, int nNewHeight)
{
    if (!m_pBits || !DibSizeAllowed(nNewWidth, nNewHeight))
        return FALSE;
    const int w = m_nWidth, h = m_nHeight;

    // Horizontal pass into an intermediate picture of the new width and the old height.
    CDib temp;
    if (!temp.Create(nNewWidth, h))
        return FALSE;
    const std::unique_ptr<ContributorList[]> across = BuildContributors(
        w, nNewWidth, static_cast<float>(nNewWidth) / static_cast<float>(w), 2.0f, MitchellFilter);
    if (!across)
        return FALSE;
    for (int y = 0; y < h; ++y) {
        const BYTE* src = PixelAddress(0, y);
        BYTE* dst = temp.PixelAddress(0, y);
        for (int x = 0; x < nNewWidth; ++x, dst += 3) {
            const ContributorList& list = across[x];
            int32_t b = 0, g = 0, r = 0;
            for (int k = 0; k < list.nCount; ++k) {
                const Contributor& c = list.pEntries[k];
                const BYTE* p = src + 3 * ClampIndex(c.nPixel, w);
                b += c.nWeight * p[0];
                g += c.nWeight * p[1];
                r += c.nWeight * p[2];
            }
            dst[0] = ClampChannel(b);
            dst[1] = ClampChannel(g);
            dst[2] = ClampChannel(r);
        }
    }

    // Vertical pass. It walks whole rows of the intermediate picture rather than one column
    // at a time; the sums are integers, so the order of adding changes nothing.
    const std::unique_ptr<ContributorList[]> down = BuildContributors(
        h, nNewHeight, static_cast<float>(nNewHeight) / static_cast<float>(h), 2.0f,
        MitchellFilter);
    if (!down)
        return FALSE;
    CDib result;
    if (!result.Create(nNewWidth, nNewHeight))
        return FALSE;
    const int rowBytes = 3 * nNewWidth;
    std::vector<int32_t> sums;
    try {
        sums.resize(static_cast<size_t>(rowBytes));
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    for (int y = 0; y < nNewHeight; ++y) {
        const ContributorList& list = down[y];
        std::fill(sums.begin(), sums.end(), 0);
        for (int k = 0; k < list.nCount; ++k) {
            const Contributor& c = list.pEntries[k];
            const BYTE* src = temp.PixelAddress(0, ClampIndex(c.nPixel, h));
            const int32_t weight = c.nWeight;
            for (int i = 0; i < rowBytes; ++i)
                sums[i] += weight * src[i];
        }
        BYTE* dst = result.PixelAddress(0, y);
        for (int i = 0; i < rowBytes; ++i)
            dst[i] = ClampChannel(sums[i]);
    }
    Swap(result);
    return TRUE;
}
