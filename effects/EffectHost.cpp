#include "EffectHost.h"

#include <cstdio>

namespace {
CEffectHost* s_pHost = nullptr;
}

void CEffectHost::ShowEffectWarning(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

const QCursor* CEffectHost::LoadToolCursor(int)
{
    return nullptr;
}

CPreviewHostDlg* CEffectHost::CreatePropertiesDialog(CEffect&, QWidget*)
{
    return nullptr;
}

BOOL CEffectHost::ExchangeWithDialog(CPreviewHostDlg*, CEffect&, BOOL)
{
    return TRUE;
}

void SetEffectHost(CEffectHost* pHost)
{
    s_pHost = pHost;
}

CEffectHost& GetEffectHost()
{
    static CEffectHost builtIn;
    return s_pHost ? *s_pHost : builtIn;
}

void ShowEffectWarning(const QString& text)
{
    GetEffectHost().ShowEffectWarning(text);
}
