// Globular cluster: draw order, stars outside the picture, rotation, cancel and defaults.
#include "EffectTestSupport.h"

#include "document/SettingsStore.h"
#include "effects/ClusterEffect.h"
#include "effects/Random.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>

namespace {
// Second moments of the lit pixels about their mean, in row coordinates.
struct CMoments
{
    double varX = 0, varY = 0, cov = 0;
};

CMoments Moments(const CDib& dib)
{
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int y = 0; y < dib.m_nHeight; ++y) {
        for (int x = 0; x < dib.m_nWidth; ++x) {
            if (dib.GetPixel(x, y) == 0)
                continue;
            n += 1;
            sx += x;
            sy += y;
            sxx += double(x) * x;
            syy += double(y) * y;
            sxy += double(x) * y;
        }
    }
    CMoments m;
    if (n == 0)
        return m;
    m.varX = sxx / n - (sx / n) * (sx / n);
    m.varY = syy / n - (sy / n) * (sy / n);
    m.cov = sxy / n - (sx / n) * (sy / n);
    return m;
}
}

TEST(ClusterEffect, PositionYIsDrawnBeforeX)
{
    // A rectangle one pixel wide: the X deviation is 0, so each star's row comes from the
    // Y sampler alone. 40 * (1 * 0.025) = 1 star.
    bool orderMattered = false;
    for (DWORD seed = 1; seed <= 12; ++seed) {
        CDib dib;
        ASSERT_TRUE(dib.Create(20, 40));
        CClusterEffect effect;
        effect.m_crColor = RGB(255, 255, 255);
        effect.m_dBrightness = 1.0;
        effect.m_dLargeStars = 0.0;
        effect.m_dDensity = 0.025;

        SetRandomSeed(seed);
        CGaussianRandom y(0, 20 / 4.0), x(0, 0.0);
        const int row = static_cast<int>(y.Sample()) + 20;
        x.Sample();
        SetRandomSeed(seed);
        CGaussianRandom x2(0, 0.0), y2(0, 20 / 4.0);
        x2.Sample();
        orderMattered |= static_cast<int>(y2.Sample()) + 20 != row;

        SetRandomSeed(seed);
        effect.Render(dib, CRect(5, 0, 6, 40), nullptr, FALSE);
        EXPECT_EQ(CountLitPixels(dib), 1) << "seed " << seed;
        EXPECT_NE(dib.GetPixel(5, row), 0u) << "seed " << seed;
    }
    EXPECT_TRUE(orderMattered);
}

TEST(ClusterEffect, StarsOutsideCostOnlyTheirPositions)
{
    CInstalledDisplay display;
    CDib dib;
    ASSERT_TRUE(dib.Create(10, 10));
    CClusterEffect effect;
    // Far above and left of the picture: 100 * (100 * 0.1) = 1000 stars, none inside.
    SetRandomSeed(31337);
    effect.Render(dib, CRect(-300, -300, -200, -200), nullptr, TRUE);
    const DWORD after = GetRandomSeed();
    EXPECT_EQ(CountLitPixels(dib), 0);
    EXPECT_TRUE(display->m_positions.empty());
    EXPECT_EQ(display->m_nDestroyed, 1);

    SetRandomSeed(31337);
    CGaussianRandom y(0, 50 / 4.0), x(0, 50 / 4.0);
    for (int i = 0; i < 1000; ++i) {
        y.Sample();
        x.Sample();
    }
    EXPECT_EQ(GetRandomSeed(), after);
}

TEST(ClusterEffect, RotationTurnsTheCloud)
{
    CClusterEffect effect;
    effect.m_dDensity = 0.5;
    effect.m_dLargeStars = 0;
    effect.m_crColor = RGB(255, 255, 255);
    effect.m_dBrightness = 1.0;
    const CRect band(50, 140, 250, 160); // wide and flat
    CMoments m[3];
    const double rotations[3] = {0, 90, 45};
    for (int i = 0; i < 3; ++i) {
        CDib dib;
        ASSERT_TRUE(dib.Create(300, 300));
        effect.m_dRotation = rotations[i];
        SetRandomSeed(2718);
        effect.Render(dib, band, nullptr, FALSE);
        m[i] = Moments(dib);
    }
    EXPECT_GT(m[0].varX, 20 * m[0].varY);
    EXPECT_GT(m[1].varY, 20 * m[1].varX);
    // 45 degrees: rows rise to the right, as the rubber band's cross shows it.
    EXPECT_GT(m[2].cov, 0.8 * std::sqrt(m[2].varX * m[2].varY));
    const auto cross = EllipseCrossFeedback(band, 45);
    EXPECT_GT(cross[1].from.x, cross[1].to.x);
    EXPECT_LT(cross[1].from.y, cross[1].to.y - 0); // view y grows downwards
    // The same generator state and rotation give the same picture.
    CDib again;
    ASSERT_TRUE(again.Create(300, 300));
    SetRandomSeed(2718);
    effect.Render(again, band, nullptr, FALSE);
    const CMoments m45 = Moments(again);
    EXPECT_EQ(m45.cov, m[2].cov);
}

TEST(ClusterEffect, CancelStopsAtTheNextStar)
{
    CInstalledDisplay display;
    display->m_nCancelAtStep = 3;
    CDib dib;
    ASSERT_TRUE(dib.Create(100, 100));
    CClusterEffect effect;
    SetRandomSeed(11);
    effect.Render(dib, CRect(0, 0, 100, 100), nullptr, TRUE);
    EXPECT_EQ(display->m_positions.size(), 3u);
    EXPECT_LE(CountLitPixels(dib), 3 * 7);
    EXPECT_EQ(display->m_nDestroyed, 1);
    EXPECT_TRUE(display->m_bFrameEnabled);
}

TEST(ClusterEffect, DefaultsKeepTheColour)
{
    QTemporaryDir dir;
    CClusterEffect effect;
    EXPECT_EQ(effect.m_strSection, "Cluster");
    EXPECT_EQ(effect.m_nCursorId, 133);
    EXPECT_EQ(effect.m_nTitleId, 1);
    EXPECT_TRUE(effect.ClearsSelectionOnClick());
    EXPECT_EQ(effect.m_crColor, 0xC0C0C0u);
    {
        CSettingsStore store(dir.filePath("settings.ini"));
        effect.m_dDensity = 0.3;
        effect.LoadDefaults(store); // empty store: the Cluster's own column
        EXPECT_EQ(effect.m_dDensity, 0.1);
        EXPECT_EQ(effect.m_dBrightness, 0.4);
        EXPECT_EQ(effect.m_dLargeStars, 0.08);
        effect.m_dRotation = 30;
        effect.SaveDefaults(store);
        EXPECT_EQ(store.GetString("Cluster", "Rotation", ""), "30.000000");
        EXPECT_FALSE(store.HasValue("StarField", "Density"));
    }
    effect.m_crColor = RGB(200, 100, 50);
    effect.m_bClearsSelection = FALSE;
    effect.m_dDensity = 0.9;
    effect.ResetDefaults();
    EXPECT_EQ(effect.m_crColor, RGB(200, 100, 50));
    EXPECT_EQ(effect.m_dRotation, 0.0);
    EXPECT_EQ(effect.m_dDensity, 0.1);
    EXPECT_TRUE(effect.ClearsSelectionOnClick());
}

TEST(ClusterEffect, FeedbackIsAnEllipseWithACross)
{
    auto centreAfter = [](CEffect& effect) {
        QImage image(41, 21, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(Qt::NoBrush);
        effect.DrawFeedback(&painter, CRect(0, 0, 41, 21));
        painter.end();
        return image.pixel(20, 10);
    };
    CClusterEffect cluster;
    CStarFieldEffect field;
    EXPECT_EQ(centreAfter(cluster), qRgb(255, 255, 255));
    EXPECT_EQ(centreAfter(field), qRgb(0, 0, 0));
}
