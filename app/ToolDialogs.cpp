#include "ToolDialogs.h"

#include "../effects/Effect.h"
#include "../effects/EffectTools.h"
#include "../effects/GasDlg.h"
#include "../effects/LensFlareDlg.h"
#include "../effects/NebulaDlg.h"
#include "../effects/StarDlg.h"
#include "../effects/StarFieldDlg.h"
#include "../effects/VortexDlg.h"
#include "../gl/GalaxyDlg.h"
#include "../gl/PlanetDlg.h"

CPreviewHostDlg* CreateToolDialog(CEffect& effect, QWidget* pParent)
{
    static const struct {
        ETool nTool;
        CPreviewHostDlg* (*pfnCreate)(CEffect& effect, QWidget* pParent);
    } kDialogs[] = {
        {TOOL_STARFIELD, &CStarFieldDlg::Create}, {TOOL_CLUSTER, &CStarFieldDlg::Create},
        {TOOL_NEBULA, &CNebulaDlg::Create},       {TOOL_STAR, &CStarDlg::Create},
        {TOOL_GAS, &CGasDlg::Create},             {TOOL_VORTEX, &CVortexDlg::Create},
        {TOOL_GALAXY, &CGalaxyDlg::Create},       {TOOL_LENSFLARE, &CLensFlareDlg::Create},
        {TOOL_VENUS, &CVenusDlg::Create},         {TOOL_MOON, &CMoonDlg::Create},
        {TOOL_EARTH, &CEarthDlg::Create},
    };
    if (effect.m_strSection.isEmpty())
        return nullptr;
    const int nTool = FindToolBySection(effect.m_strSection);
    for (const auto& dialog : kDialogs) {
        if (dialog.nTool == nTool)
            return dialog.pfnCreate(effect, pParent);
    }
    return nullptr;
}
