// The interstellar gas: its plain fall-off, when turbulence adds nothing, and its noise.
#include "PixelEffectTestUtil.h"

#include "effects/GasEffect.h"

TEST(GasEffect, PlainFallOffWithoutTurbulence)
{
    CGasEffect gas;
    SetValues(gas, {{"AddNoise", "0"}});
    auto dib = FilledDib(81, 61, 0);
    const CRect rect(0, 0, 81, 61);
    gas.Render(*dib, rect, nullptr, FALSE);
    const CRect r = Rows(*dib, rect);
    // Opacity 0.35 at the centre: 208 * 0.35 = 72.8 and 55 * 0.35 = 19.25, truncated.
    EXPECT_TRUE(PixelIs(*dib, r.left + r.Width() / 2, r.top + r.Height() / 2, 0x481348));
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 81; ++x) {
            const double d = EllipseDistance(r, x, y);
            const double alpha = d < 1 ? 0.35 * std::exp(-d / (1 - d) * 0.5) : 0.0;
            ASSERT_TRUE(PixelIs(
                *dib, x, y, CColor(int(208 * alpha), int(55 * alpha), int(208 * alpha)).ToRGB()));
        }
}

TEST(GasEffect, TurbulenceNeedsAFrequencyAboveOne)
{
    auto render = [](std::initializer_list<std::pair<const char*, const char*>> values) {
        CGasEffect gas;
        SetValues(gas, values);
        auto dib = FilledDib(70, 50, 0x101010);
        RenderSeeded(gas, *dib, CRect(-10, 5, 65, 60), 1234);
        return dib;
    };
    auto plain = render({{"AddNoise", "0"}});
    EXPECT_TRUE(SamePicture(*plain, *render({{"AddNoise", "1"}, {"Frequency", "1"}})));
    EXPECT_TRUE(SamePicture(*plain, *render({{"AddNoise", "1"}, {"Frequency", "0.5"}})));
    auto turbulent = render({{"AddNoise", "1"}});
    EXPECT_FALSE(SamePicture(*plain, *turbulent));
    // The seeded generator redraws the same tables.
    EXPECT_TRUE(SamePicture(*turbulent, *render({{"AddNoise", "1"}})));
    // A stored limit past what the program accepts is held to it, not summed for ever.
    EXPECT_TRUE(SamePicture(*render({{"Frequency", "64"}}), *render({{"Frequency", "1e300"}})));
}
