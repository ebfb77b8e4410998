// What a run of skyloom-render asks of the machine, known before anything is painted: a
// recipe of a few kilobytes may hold a hundred thousand steps over a huge picture, days of
// work, and is refused unless the user asks for that much.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

struct CRenderStep;

struct CRenderWork
{
    double dPixels = 0; // every step's pixels, summed
    // The same by effect, the largest first: effect, steps and pixels.
    struct CEffectWork
    {
        QString strEffect;
        int nSteps = 0;
        double dPixels = 0;
    };
    QList<CEffectWork> byEffect;
};

// The work of steps on a picture of width x height (a step without a rectangle paints the
// whole picture, one with a rectangle as much of it as lies near the picture).
CRenderWork EstimateRenderWork(const QList<CRenderStep>& steps, int width, int height);

// Why a run of that much work is refused: the estimate, its largest parts by effect, and
// the option that lifts the limit.
QString TooMuchWork(const CRenderWork& work, double dLimit);
