#include "Random.h"

#include <cmath>

namespace detail {
uint32_t g_nRandomState = kInitialRandomSeed;
}

double CGaussianRandom::Sample()
{
    if (m_bHasCached) {
        m_bHasCached = 0;
        return m_dDeviation * m_dCached + m_dMean;
    }
    double u, v, s;
    do {
        u = RandomSigned();
        v = RandomSigned();
        s = u * u + v * v;
    } while (!(s > 0 && s <= 1));
    const double f = std::sqrt(-2 * std::log(s) / s);
    m_dCached = v * f;
    m_bHasCached = 1;
    return m_dDeviation * (u * f) + m_dMean;
}
