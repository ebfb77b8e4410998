// Resampling with a separable cubic filter and fixed-point weights.
#pragma once

#include <cstdint>
#include <memory>

// The Mitchell-Netravali cubic with B = C = 1/3; zero from |x| = 2 on.
double MitchellFilter(double x);

struct Contributor
{
    int32_t nPixel;  // source index, already mirrored at the edges
    int32_t nWeight; // the filter's weight x 256, truncated toward zero
};

// The source pixels one destination pixel draws on.
struct ContributorList
{
    int nCount = 0;
    std::unique_ptr<Contributor[]> pEntries;
};

// One list per destination pixel for scaling n source pixels to m (scale = m / n). Centres
// are i / scale with no half-pixel shift, so destination 0 sits on source 0. Null when
// memory runs out.
std::unique_ptr<ContributorList[]> BuildContributors(int n, int m, float scale, float support,
                                                     double (*filter)(double));

struct CTapTable;

// A pass across rows, built from contributor lists: each destination pixel of a row is the
// sum of the source pixels its list names times their weights (which add up to 256 for a
// filter that keeps a flat colour), rounded down, or to the nearest with bRound.
class CRowResampler
{
public:
    CRowResampler();
    ~CRowResampler();
    CRowResampler(const CRowResampler&) = delete;
    CRowResampler& operator=(const CRowResampler&) = delete;

    // For m destination pixels from rows of n source pixels. False when memory runs out.
    bool Build(const ContributorList* lists, int n, int m, bool bRound = false);
    // One row: src of the source width into dst of the destination width, or only
    // destination pixels first to last - 1, written from dst's start.
    void Resample(const uint8_t* src, uint8_t* dst, int first = 0, int last = -1) const;

private:
    std::unique_ptr<CTapTable> m_table;
};
