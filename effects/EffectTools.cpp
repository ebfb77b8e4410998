#include "EffectTools.h"

#include "Random.h"

#include "ToolCommands.h"

#include "ClusterEffect.h"
#include "../gl/GalaxyEffect.h"
#include "GasEffect.h"
#include "LensFlareEffect.h"
#include "NebulaEffect.h"
#include "SelectTool.h"
#include "StarEffect.h"
#include "StarFieldEffect.h"
#include "VortexEffect.h"
#include "../gl/PlanetEffect.h"

namespace {
template <class T>
std::unique_ptr<CEffect> Make()
{
    return std::make_unique<T>();
}

// A tool becomes available by naming its creator here, e.g. &Make<CNebulaEffect>; a creator
// of its own (a captureless lambda) serves tools built with arguments.
const CToolInfo s_tools[TOOL_COUNT] = {
    {TOOL_SELECT, "Select", "", 135, ID_TOOL_SELECT, "select", &Make<CSelectTool>},
    {TOOL_STARFIELD, "Star Field", "StarField", 131, ID_TOOL_STARFIELD, "starfield",
     &Make<CStarFieldEffect>},
    {TOOL_CLUSTER, "Cluster", "Cluster", 133, ID_TOOL_CLUSTER, "cluster", &Make<CClusterEffect>},
    {TOOL_NEBULA, "Nebula", "Nebula", 134, ID_TOOL_NEBULA, "nebula", &Make<CNebulaEffect>},
    {TOOL_STAR, "Star", "Star", 136, ID_TOOL_STAR, "star", &Make<CStarEffect>},
    {TOOL_GAS, "Interstellar Gas", "Gas", 146, ID_TOOL_GAS, "gas", &Make<CGasEffect>},
    {TOOL_VORTEX, "Vortex", "Vortex", 147, ID_TOOL_VORTEX, "vortex", &Make<CVortexEffect>},
    {TOOL_GALAXY, "Galaxy", "Galaxy", 168, ID_TOOL_GALAXY, "galaxy", &Make<CGalaxyEffect>},
    {TOOL_LENSFLARE, "Lens Flare", "Lens Flare", 157, ID_TOOL_LENSFLARE, "lensflare",
     &Make<CLensFlareEffect>},
    {TOOL_VENUS, "Venus", "Venus", 32512, ID_TOOL_VENUS, "venus", &CPlanetEffect::CreateVenus},
    {TOOL_MOON, "Moon", "Moon", 32512, ID_TOOL_MOON, "moon", &CPlanetEffect::CreateMoon},
    {TOOL_EARTH, "Earth", "Earth", 32512, ID_TOOL_EARTH, "earth", &CPlanetEffect::CreateEarth},
};
}

const CToolInfo* GetToolInfo(int nIndex)
{
    if (nIndex < 0 || nIndex >= TOOL_COUNT)
        return nullptr;
    return &s_tools[nIndex];
}

int FindToolByCommand(int nCommandId)
{
    for (const CToolInfo& tool : s_tools) {
        if (tool.nCommandId == nCommandId)
            return tool.nIndex;
    }
    return -1;
}

int FindToolBySection(const QString& section)
{
    if (section.isEmpty())
        return -1;
    for (const CToolInfo& tool : s_tools) {
        if (section == QLatin1String(tool.szSection))
            return tool.nIndex;
    }
    return -1;
}

std::unique_ptr<CEffect> CreateTool(int nIndex)
{
    const CToolInfo* pInfo = GetToolInfo(nIndex);
    if (!pInfo || !pInfo->pfnCreate)
        return nullptr;
    return pInfo->pfnCreate();
}

std::unique_ptr<CEffect> CreateToolAsTheViewDoes(int nTool)
{
    SetRandomSeed(kInitialRandomSeed);
    std::unique_ptr<CEffect> effect;
    for (int i = 0; i <= nTool; ++i)
        effect = CreateTool(i);
    return effect;
}
