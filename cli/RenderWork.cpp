#include "RenderWork.h"

#include "RenderOptions.h"

#include <algorithm>

CRenderWork EstimateRenderWork(const QList<CRenderStep>& steps, int width, int height)
{
    CRenderWork work;
    // A rectangle counts as far as it may reach, the picture grown by its own width and
    // height on each side; one that reaches further is refused on its own.
    const CRect reach(-width, -height, 2 * width, 2 * height);
    for (const CRenderStep& step : steps) {
        CRect rect(0, 0, width, height);
        if (step.bHasRect && !rect.IntersectRect(step.rect, reach))
            rect.SetRectEmpty();
        const double dPixels = double(rect.Width()) * rect.Height();
        work.dPixels += dPixels;
        auto it = std::find_if(work.byEffect.begin(), work.byEffect.end(),
                               [&](const CRenderWork::CEffectWork& e) {
                                   return e.strEffect == step.strEffect;
                               });
        if (it == work.byEffect.end())
            it = work.byEffect.insert(work.byEffect.end(), {step.strEffect, 0, 0});
        ++it->nSteps;
        it->dPixels += dPixels;
    }
    std::stable_sort(work.byEffect.begin(), work.byEffect.end(),
                     [](const CRenderWork::CEffectWork& a, const CRenderWork::CEffectWork& b) {
                         return a.dPixels > b.dPixels;
                     });
    return work;
}

QString TooMuchWork(const CRenderWork& work, double dLimit)
{
    constexpr int kShownEffects = 3;
    QStringList parts;
    for (int i = 0; i < work.byEffect.size() && i < kShownEffects; ++i) {
        const CRenderWork::CEffectWork& e = work.byEffect[i];
        parts << QStringLiteral("%1: %2 steps, %3 pixels")
                     .arg(e.strEffect)
                     .arg(e.nSteps)
                     .arg(e.dPixels, 0, 'f', 0);
    }
    if (work.byEffect.size() > kShownEffects)
        parts << QStringLiteral("%1 more effects").arg(work.byEffect.size() - kShownEffects);
    return QStringLiteral("the steps would paint %1 pixels (%2), more than the %3 a run may "
                          "paint; give --max-work %1 to paint them all the same")
        .arg(work.dPixels, 0, 'f', 0)
        .arg(parts.join(QStringLiteral("; ")))
        .arg(dLimit, 0, 'f', 0);
}
