#include "GradientNoise.h"

#include "Random.h"

#include <utility>

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
