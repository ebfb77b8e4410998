// The nebula: opacity inside and outside the ellipse, rotation, reproducibility and its
// stored values.
#include "PixelEffectTestUtil.h"

#include "effects/NebulaEffect.h"

namespace {
constexpr DWORD kBackground = 0x203040;
// ColorHigh 3083512 as a packed pixel: red 248, green 12, blue 47.
constexpr DWORD kInner = 0xF80C2F;
}

TEST(NebulaEffect, OpaqueWhereNoiseAllowsAndUntouchedOutside)
{
    // Intensity 1 and dropoff 0: alpha is the clamped noise + 1, so 1 wherever the noise
    // is not negative; frequency 0 gives the inner colour everywhere.
    CNebulaEffect nebula;
    SetValues(nebula, {{"Itensity", "1"}, {"Dropoff", "0"}, {"Frequency", "0"}, {"Rotation", "0"}});
    auto dib = FilledDib(120, 90, kBackground);
    const CRect rect(10, 5, 110, 85);
    RenderSeeded(nebula, *dib, rect, 4242);

    const CRect r = Rows(*dib, rect);
    int opaque = 0;
    for (int y = 0; y < dib->m_nHeight; ++y) {
        for (int x = 0; x < dib->m_nWidth; ++x) {
            const double d = EllipseDistance(r, x, y);
            if (d >= 1) {
                ASSERT_TRUE(PixelIs(*dib, x, y, kBackground));
            } else if (nebula.m_noise.Value(x * 0.05, y * 0.05) >= 0) {
                ASSERT_TRUE(PixelIs(*dib, x, y, kInner));
                ++opaque;
            }
        }
    }
    EXPECT_GT(opaque, 1000);
}

TEST(NebulaEffect, RotationTurnsTheEllipseWithinItsBoundingBox)
{
    CNebulaEffect nebula;
    SetValues(nebula, {{"Itensity", "1"}, {"Dropoff", "0"}, {"Rotation", "45"}});
    auto dib = FilledDib(300, 300, 0);
    const CRect rect(50, 100, 250, 200); // 200 x 100
    RenderSeeded(nebula, *dib, rect, 99);

    CRect affected = rect;
    nebula.GetAffectedRect(affected);
    const CRect bounds = Rows(*dib, affected);
    const CRect flat = Rows(*dib, rect);
    bool outsideFlat = false;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (dib->GetPixel(x, y) == 0)
                continue;
            ASSERT_TRUE(bounds.PtInRect(CPoint(x, y))) << x << ", " << y;
            outsideFlat = outsideFlat || !flat.PtInRect(CPoint(x, y));
        }
    }
    EXPECT_TRUE(outsideFlat) << "the turned cloud must leave the dragged rectangle";

    // The long axis lies on the rising diagonal of the rows: about 80 pixels out along it
    // the cloud is inside the ellipse (d = 0.8), along the other diagonal far outside it
    // (d = 1.6).
    const int cx = 150, cy = 150;
    auto painted = [&](int sx, int sy) {
        int n = 0;
        for (int k = 55; k < 58; ++k)
            n += dib->GetPixel(cx + sx * k, cy + sy * k) != 0;
        return n;
    };
    const int along = painted(1, 1) + painted(-1, -1);
    const int across = painted(1, -1) + painted(-1, 1);
    EXPECT_GT(along, 4);
    EXPECT_EQ(across, 0);
}

TEST(NebulaEffect, SameSeedSameCloud)
{
    CNebulaEffect a, b;
    auto first = FilledDib(64, 48, kBackground), second = FilledDib(64, 48, kBackground);
    RenderSeeded(a, *first, CRect(-5, 3, 60, 50), 777);
    RenderSeeded(b, *second, CRect(-5, 3, 60, 50), 777);
    EXPECT_TRUE(SamePicture(*first, *second));
    // PrepareRender draws new tables: another seed, another cloud.
    auto third = FilledDib(64, 48, kBackground);
    RenderSeeded(b, *third, CRect(-5, 3, 60, 50), 778);
    EXPECT_FALSE(SamePicture(*first, *third));
}

TEST(NebulaEffect, IntensityIsStoredAsItensity)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    // A value under the proper spelling is not the nebula's.
    store.WriteString(QStringLiteral("Nebula"), QStringLiteral("Intensity"), QStringLiteral("0.9"));
    CNebulaEffect nebula;
    nebula.LoadDefaults(store);
    EXPECT_EQ(nebula.m_dIntensity, 0.5);
    store.WriteString(QStringLiteral("Nebula"), QStringLiteral("Itensity"), QStringLiteral("0.9"));
    nebula.LoadDefaults(store);
    EXPECT_EQ(nebula.m_dIntensity, 0.9);
    nebula.m_dIntensity = 0.25;
    nebula.SaveDefaults(store);
    EXPECT_EQ(store.GetString(QStringLiteral("Nebula"), QStringLiteral("Itensity"), QString()),
              QStringLiteral("0.250000"));
}
