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
