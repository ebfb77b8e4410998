// Shared by the tests that paint scenes into a document as a drag on the canvas does.
#pragma once

#include "document/Dib.h"
#include "document/RenderJob.h"
#include "document/SkyloomDoc.h"
#include "effects/Effect.h"
#include "effects/EffectTools.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include <gtest/gtest.h>

#include <QList>
#include <QPair>
#include <QString>

#include <memory>

constexpr DWORD kSceneSeed = 20261208;

inline std::unique_ptr<CDib> Copy(const CDib& dib)
{
    return std::unique_ptr<CDib>(dib.Extract(CRect(0, 0, dib.m_nWidth, dib.m_nHeight)));
}

// The tool made from a fixed generator state (the planets draw tables then), with values
// set by name, dragged over rect from nSeed: what a drag on the canvas does.
inline ERenderOutcome Paint(CSkyloomDoc& doc, const QString& effect, const CRect& rect,
                            const QList<QPair<QString, QString>>& values = {},
                            DWORD nSeed = kSceneSeed)
{
    SetRandomSeed(kInitialRandomSeed);
    const std::unique_ptr<CEffect> tool = CreateTool(FindToolBySection(effect));
    if (!tool)
        return RENDER_NOTHING;
    QString why;
    EXPECT_TRUE(tool->SetValues(values, why)) << why.toStdString();
    g_nEffectSeed = nSeed;
    return RenderDrag(*tool, doc, rect, nullptr).outcome;
}

// OpenGL and the default light, for scenes with planets and galaxies.
inline void PrepareLitScenes()
{
    ASSERT_TRUE(LoadGLEntryPoints(TRUE));
    if (g_lightList.empty())
        CreateDefaultLight();
}
