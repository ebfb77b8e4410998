#include "document/Dib.h"
#include "document/SkyPatch.h"
#include "SkyTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A white disc of radius r around the centre of rect, as a planet paints its silhouette.
void PaintDisc(CDib& plane, const CRect& rect, double r)
{
    const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
    for (int y = 0; y < plane.m_nHeight; ++y)
        for (int x = 0; x < plane.m_nWidth; ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r)
                plane.SetPixel(x, plane.m_nHeight - 1 - y, 0xFFFFFF);
}

// A disc painted on a patch anywhere on the sky, at the equator, high up, next to the pole
// and across the panorama's left and right edges, is round again where a camera looks at
// it: its widest chords in eight directions agree within 2 %. The sky outside the patch is
// left exactly as it was.
TEST(SkyPatch, APlanetStaysRoundAtEveryLatitudeAndAcrossTheSeam)
{
    const int h = 512, w = 2 * h;
    const struct
    {
        double x;
        double lat;
    } kPlaces[] = {{300, 0}, {700, 60}, {500, 85}, {1020, 20}, {10, -45}};
    for (const auto& place : kPlaces) {
        SCOPED_TRACE(place.lat);
        CDib sphere;
        sphere.Create(w, h);
        sphere.Fill(0x000010);
        const double y = (90.0 - place.lat) / 180.0 * h;
        const int side = 200;
        const int width = int(std::lround(side / std::cos(place.lat * kPi / 180)));
        const CRect rect(int(place.x) - width / 2, int(y) - side / 2, int(place.x) + width / 2,
                         int(y) + side / 2);
        const CSkyPatch patch = CSkyPatch::FromRect(rect, CSize(w, h));
        EXPECT_NEAR(patch.m_nPlaneWidth, patch.m_nPlaneHeight, 0.03 * patch.m_nPlaneHeight);
        const double radius = 0.35 * patch.m_nPlaneHeight;
        ASSERT_TRUE(patch.Paint(sphere, patch.PlaneRect(), [&](CDib& plane, CDib&, const CRect& r) {
            PaintDisc(plane, r, radius);
        }));
        CDib view;
        LookAt(sphere, patch, view);
        const auto [shortest, longest] =
            ChordRange(view, [](DWORD pixel) { return (pixel & 0xFF) >= 128; });
        EXPECT_NEAR(longest / 2, radius, 0.03 * radius);
        EXPECT_LE(longest / shortest, 1.02) << shortest << " " << longest;

        // Far from the patch nothing changed.
        const CRect rows = patch.SphereRows(patch.PlaneRect());
        for (int yy = 0; yy < h; ++yy) {
            if (yy >= rows.top && yy < rows.bottom)
                continue;
            for (int x = 0; x < w; x += 7)
                ASSERT_EQ(sphere.GetPixel(x, h - 1 - yy), 0x000010u) << x << "," << yy;
        }
    }
}

// The outline the canvas draws while a patch is dragged: at the equator it is the dragged
// rectangle; over a pole it circles the pole, so on the panorama it runs the whole width,
// stays inside the picture and is cut where it crosses the left and right edges.
TEST(SkyPatch, OutlineIsTheRectangleAtTheEquatorAndCutAtTheEdgesOverAPole)
{
    const int h = 1024, w = 2 * h;
    const CRect rect(1000, 480, 1100, 544);
    const CSkyPatch flat = CSkyPatch::FromRect(rect, CSize(w, h));
    const QList<QPolygonF> band = flat.OutlineOnPanorama(QPolygonF(QRectF(
        0, 0, flat.m_nPlaneWidth, flat.m_nPlaneHeight)));
    ASSERT_EQ(band.size(), 1);
    const QRectF bounds = band[0].boundingRect();
    for (const QPointF& p : band[0]) {
        const double toEdge = std::min({std::abs(p.x() - rect.left), std::abs(p.x() - rect.right),
                                        std::abs(p.y() - rect.top), std::abs(p.y() - rect.bottom)});
        EXPECT_LE(toEdge, 1.0) << p.x() << "," << p.y();
    }
    EXPECT_NEAR(bounds.left(), rect.left, 1.0);
    EXPECT_NEAR(bounds.right(), rect.right, 1.0);
    EXPECT_NEAR(bounds.top(), rect.top, 1.0);
    EXPECT_NEAR(bounds.bottom(), rect.bottom, 1.0);

    // Centred at latitude 80, 60 degrees wide and high: the pole is inside.
    const CSkyPatch polar = CSkyPatch::FromRect(CRect(100, -114, 2066, 228), CSize(w, h));
    const QList<QPolygonF> ring = polar.OutlineOnPanorama(QPolygonF(QRectF(
        0, 0, polar.m_nPlaneWidth, polar.m_nPlaneHeight)));
    ASSERT_GE(ring.size(), 1);
    double left = w, right = 0;
    int nEdgeEnds = 0;
    for (const QPolygonF& line : ring) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QPointF& p = line[i];
            ASSERT_TRUE(p.x() >= 0 && p.x() <= w && p.y() >= 0 && p.y() <= h)
                << p.x() << "," << p.y();
            left = std::min(left, p.x());
            right = std::max(right, p.x());
            if (i > 0) {
                EXPECT_LE(std::abs(p.x() - line[i - 1].x()), 8.0) << p.x() << "," << p.y();
            }
        }
        for (const QPointF& end : {line.constFirst(), line.constLast()})
            nEdgeEnds += end.x() == 0 || end.x() == w ? 1 : 0;
        // Nowhere near the pole's row, nor the equator.
        EXPECT_GT(line.boundingRect().top(), 50);
        EXPECT_LT(line.boundingRect().bottom(), h / 2 - 50);
    }
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, w);
    EXPECT_EQ(nEdgeEnds, 2 * ring.size());
}

} // namespace
