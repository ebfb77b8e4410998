// Painting steps of a scene again, in place: the picture before a step comes back from the
// pixels its later steps painted over, then those steps are painted again from their recipe
// entries exactly as a drag (and skyloom-render) painted them.
#pragma once

#include "../effects/EffectTools.h"

#include "RenderJob.h"
#include "SceneStep.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

class CEffect;
class CSkyloomDoc;


// The built-in defaults of a tool's stored values as text, by name. A value left at its
// default is not set: the planets rebuild their noise for values that are set, and a
// canvas render at the defaults did not.
QList<QPair<QString, QString>> DefaultValueTexts(CEffect& tool);

// Sets a freshly made tool from a recipe step's values as a replay of the step sets it: the
// stored values that differ from their defaults, then the options. False, with why, for a
// value the tool does not take.
bool SetToolFromStep(CEffect& tool, const CRecipeStep& step, QString& why);

// rect (picture pixels) dScale times as large, each edge rounded to the nearest pixel so
// that rectangles that met still meet.
CRect ScaledRect(const CRect& rect, double dScale);

// The name of a step: the tool's, as the Design menu gives it, or the change by hand's.
QString SceneStepName(const CRecipeStep& step);

// One step painted into picture (bottom-up rows as CDib keeps them, of the kind given): an
// effect, a Clear or a paste, nothing for a hidden one. The pixels it paints over are kept in
// the step (pBefore, rectRows). STEP_FAILED when it cannot be painted: no memory, an effect or
// value that is not Skyloom's, a paste whose pixels are not kept.
// pfnArea, when given, is told the rows the step is about to change before it changes
// them, and may refuse (no memory) with false.
enum EStepPaint { STEP_PAINTED, STEP_CANCELLED, STEP_FAILED };
EStepPaint PaintSceneStep(CDib& picture, CSceneStep& step, const CPictureKind& kind,
                          const std::function<bool(const CRect&)>& pfnArea = {});

// The changes of the step list, each one entry of the history named after it ("Edit
// Nebula", "Hide Star", "Remove 3 Steps", "Move Vortex Up") that repaints from the first
// step it changes. RENDER_NOTHING for steps that are not there, already so, or cannot move
// that way; otherwise as CSkyloomDoc::RepaintScene.
ERenderOutcome EditSceneStep(CSkyloomDoc& doc, int nStep, const CRecipeStep& recipe);
// Hides or shows each of nSteps (0 the first painted) that is not so already.
ERenderOutcome SetSceneStepsHidden(CSkyloomDoc& doc, const QList<int>& nSteps, bool bHidden);
ERenderOutcome RemoveSceneSteps(CSkyloomDoc& doc, const QList<int>& nSteps);
// nDelta -1 moves the step one place earlier, +1 one later.
ERenderOutcome MoveSceneStep(CSkyloomDoc& doc, int nStep, int nDelta);
