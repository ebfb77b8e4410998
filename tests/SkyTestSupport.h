// Shared by the tests of skies: looking at a patch of a panorama as a camera does, and
// measuring a disc and the edges where cube faces meet.
#pragma once

#include "document/Dib.h"
#include "document/SkyPatch.h"
#include "imagefile/Skybox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>


// The largest difference of one channel between two colours.
inline int ChannelDifference(DWORD a, DWORD b)
{
    int most = 0;
    for (int i = 0; i < 3; ++i)
        most = std::max(most, std::abs(int((a >> (8 * i)) & 0xFF) - int((b >> (8 * i)) & 0xFF)));
    return most;
}

// The sky around the patch's centre as a camera looking there sees it: each pixel of a
// plane of the patch's size read from the panorama pixel its centre's direction falls in.
inline void LookAt(const CDib& sphere, const CSkyPatch& patch, CDib& view)
{
    const int w = sphere.m_nWidth, h = sphere.m_nHeight;
    view.Create(patch.m_nPlaneWidth, patch.m_nPlaneHeight);
    for (int j = 0; j < view.m_nHeight; ++j)
        for (int i = 0; i < view.m_nWidth; ++i) {
            double lon = 0, lat = 0;
            PanoramaAngles(patch.PlaneDirection(i + 0.5, j + 0.5), lon, lat);
            const int x = std::min(w - 1, int(lon / 360.0 * w));
            const int y = std::clamp(int((90.0 - lat) / 180.0 * h), 0, h - 1);
            view.SetPixel(i, view.m_nHeight - 1 - j, sphere.GetPixel(x, h - 1 - y));
        }
}

// How far from the view's centre a disc's edge lies along the angle, in pixels: the first
// point where inside says no.
inline double EdgeDistance(const CDib& view, double angle,
                           const std::function<bool(DWORD)>& inside)
{
    const double cx = view.m_nWidth / 2.0, cy = view.m_nHeight / 2.0;
    for (double r = 0;; r += 0.25) {
        const int x = int(cx + r * std::cos(angle)), y = int(cy + r * std::sin(angle));
        if (!view.IsInside(x, view.m_nHeight - 1 - y) ||
            !inside(view.GetPixel(x, view.m_nHeight - 1 - y)))
            return r;
    }
}

// The shortest and the longest chord of a disc at the view's centre, in eight directions.
inline std::pair<double, double> ChordRange(const CDib& view,
                                            const std::function<bool(DWORD)>& inside)
{
    double shortest = 1e9, longest = 0;
    for (int k = 0; k < 8; ++k) {
        const double angle = k * kPi / 4;
        const double chord =
            EdgeDistance(view, angle, inside) + EdgeDistance(view, angle + kPi, inside);
        shortest = std::min(shortest, chord);
        longest = std::max(longest, chord);
    }
    return {shortest, longest};
}

// The mean largest channel difference between each edge pixel of a face and the pixel
// across the edge on its neighbour (seam), and between neighbouring pixels inside a face.
inline std::pair<double, double> CubeEdgeSteps(const CDib (&faces)[CubeFaceCount])
{
    const int n = faces[0].m_nWidth;
    double seams = 0, inside = 0;
    int nSeams = 0, nInside = 0;
    for (int f = 0; f < CubeFaceCount; ++f) {
        const CSkyDirection centre = CubeFaceDirection(ECubeFace(f), 0.5, 0.5);
        for (int k = 0; k < n; ++k) {
            for (int j = 1; j + 1 < n; ++j) {
                inside += ChannelDifference(faces[f].GetPixel(k, j), faces[f].GetPixel(k, j + 1));
                ++nInside;
            }
            for (const auto& [s, t] :
                 {std::pair{(k + 0.5) / n, 0.5 / n}, std::pair{(k + 0.5) / n, 1 - 0.5 / n},
                  std::pair{0.5 / n, (k + 0.5) / n}, std::pair{1 - 0.5 / n, (k + 0.5) / n}}) {
                // One pixel further out, which lies on the neighbour.
                const CSkyDirection d = CubeFaceDirection(ECubeFace(f), s, t);
                const double step = 2.0 / n;
                const CSkyDirection out{d.x + step * (d.x - centre.x),
                                        d.y + step * (d.y - centre.y),
                                        d.z + step * (d.z - centre.z)};
                double s2 = 0, t2 = 0;
                const ECubeFace other = CubeFaceOf(out, s2, t2);
                EXPECT_NE(other, ECubeFace(f));
                const int i2 = std::clamp(int(s2 * n), 0, n - 1);
                const int j2 = std::clamp(int(t2 * n), 0, n - 1);
                seams += ChannelDifference(faces[f].GetPixel(int(s * n), n - 1 - int(t * n)),
                                           faces[other].GetPixel(i2, n - 1 - j2));
                ++nSeams;
            }
        }
    }
    return {seams / nSeams, inside / nInside};
}
