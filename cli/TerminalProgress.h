// skyloom-render's progress: a bar on standard error while an effect renders.
#pragma once

#include "../effects/ProgressMeter.h"

#include <QByteArray>
#include <QString>

// A bar of this many cells on standard error, redrawn only when its percentage moves.
class CTerminalProgress : public CProgressDisplay
{
public:
    // What the bar stands for, shown before it: the effect, or the step of a long run.
    void SetLabel(const QString& label) { m_label = label.toLocal8Bit(); }

    BOOL CreateBar() override;
    void SetBarPosition(int nPercent) override;
    void DestroyBar() override;

private:
    static constexpr int kCells = 40;
    QByteArray m_label;
    int m_nPercent = -1;
};
