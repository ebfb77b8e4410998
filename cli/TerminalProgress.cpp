#include "TerminalProgress.h"

#include <cstdio>

BOOL CTerminalProgress::CreateBar()
{
    m_nPercent = -1;
    SetBarPosition(0);
    return TRUE;
}

void CTerminalProgress::SetBarPosition(int nPercent)
{
    nPercent = nPercent < 0 ? 0 : (nPercent > 100 ? 100 : nPercent);
    if (nPercent == m_nPercent)
        return;
    m_nPercent = nPercent;
    const int filled = nPercent * kCells / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", m_label.constData(), filled,
                 "########################################", kCells - filled, "", nPercent);
    std::fflush(stderr);
}

void CTerminalProgress::DestroyBar()
{
    SetBarPosition(100);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
