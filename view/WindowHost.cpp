#include "WindowHost.h"

#include <QColorDialog>

namespace {
CWindowHost* s_pHost = nullptr;
}

CSettingsStore* CWindowHost::SettingsStore()
{
    return nullptr;
}

CDocumentUi* CWindowHost::DocumentUi()
{
    return nullptr;
}

int CWindowHost::RunColorChooser(QColorDialog& dlg)
{
    return dlg.exec();
}

void SetWindowHost(CWindowHost* pHost)
{
    s_pHost = pHost;
    SetEffectHost(pHost);
}

CWindowHost& GetWindowHost()
{
    static CWindowHost builtIn;
    return s_pHost ? *s_pHost : builtIn;
}
