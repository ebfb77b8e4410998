// Helpers of the per-pixel effect tests: pictures filled with a known colour, parameters set
// by their stored value names (the way the store and the command line reach them), and a
// pixel check that says where it failed.
#pragma once

#include "EffectTestSupport.h"

#include "document/SettingsStore.h"
#include "document/Dib.h"
#include "PictureAssertions.h"
#include "effects/Color.h"
#include "effects/Effect.h"
#include "effects/Random.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <utility>

// A picture of the given size filled with one packed colour.
inline std::unique_ptr<CDib> FilledDib(int width, int height, DWORD color)
{
    auto dib = std::make_unique<CDib>();
    if (!dib->Create(width, height))
        return nullptr;
    dib->Fill(color);
    return dib;
}

// Loads the effect's parameters from a private store holding only the given values, so
// every other parameter takes its built-in default.
inline void SetValues(CEffect& effect,
                      std::initializer_list<std::pair<const char*, const char*>> values)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    for (const auto& v : values)
        store.WriteString(effect.m_strSection, QString::fromLatin1(v.first),
                          QString::fromLatin1(v.second));
    effect.LoadDefaults(store);
}

// Seeds the generator, prepares and renders without progress: a drag after a preview.
inline void RenderSeeded(CEffect& effect, CDib& dib, const CRect& rect, DWORD seed)
{
    SetRandomSeed(seed);
    effect.PrepareRender();
    effect.Render(dib, rect, nullptr, FALSE);
}

// Distance from the centre of a rectangle in row coordinates, 1 on its inscribed ellipse,
// computed as the unrotated effects do. Centre: (left + width / 2, top + height / 2).
inline double EllipseDistance(const CRect& r, int x, int y)
{
    const double mx = (r.left + r.Width() / 2) * 0.05, my = (r.top + r.Height() / 2) * 0.05;
    const double wx = (x * 0.05 - mx) / (r.Width() * 0.05 / 2);
    const double wy = (y * 0.05 - my) / (r.Height() * 0.05 / 2);
    return std::sqrt(wx * wx + wy * wy);
}

// The same rectangle in row coordinates of a picture of the given height.
inline CRect Rows(const CDib& dib, CRect rect)
{
    dib.FlipRect(rect);
    return rect;
}
