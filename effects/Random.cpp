#include "Random.h"

#include <cmath>

namespace detail {
uint32_t g_nRandomState = kInitialRandomSeed;
}

CGaussianRandom::CDraw CGaussianRandom::Draw()
{
    if (m_bHasCached) {
        m_bHasCached = 0;
        return m_cached;
    }
    double u, v, s;
    do {
        u = RandomSigned();
        v = RandomSigned();
        s = u * u + v * v;
    } while (!(s > 0 && s <= 1));
    m_cached = {v, s};
    m_bHasCached = 1;
    return {u, s};
}
