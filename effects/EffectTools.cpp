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

// One row a tool, in the order of the Design menu and the toolbar. A tool becomes available
// by naming its creator here, e.g. &Make<CNebulaEffect>; a creator of its own (a captureless
// function) serves tools built with arguments.
const CToolInfo s_tools[TOOL_COUNT] = {
    {TOOL_SELECT, "Select", "", CSelectTool::kCursorId,
     ID_TOOL_SELECT, "select", &Make<CSelectTool>,
     "&Select", "S",
     "Select an area of the image to edit\nSelect",
     false},
    {TOOL_STARFIELD, "Star Field", CStarFieldEffect::kSection, CStarFieldEffect::kCursorId,
     ID_TOOL_STARFIELD, "starfield", &Make<CStarFieldEffect>,
     "Star &Field", "F",
     "Generates a star field in the selected area of the image\nStar Field",
     false},
    {TOOL_CLUSTER, "Cluster", CClusterEffect::kSection, CClusterEffect::kCursorId,
     ID_TOOL_CLUSTER, "cluster", &Make<CClusterEffect>,
     "&Cluster", "C",
     "Click and drag to generate a Globular Cluster\nCluster",
     false},
    {TOOL_NEBULA, "Nebula", CNebulaEffect::kSection, CNebulaEffect::kCursorId,
     ID_TOOL_NEBULA, "nebula", &Make<CNebulaEffect>,
     "&Nebula", "N",
     "Click and drag to generate a nebula\nNebula",
     false},
    {TOOL_STAR, "Star", CStarEffect::kSection, CStarEffect::kCursorId,
     ID_TOOL_STAR, "star", &Make<CStarEffect>,
     "Sta&r", "R",
     "Click and drag to generate a star\nStar",
     false},
    {TOOL_GAS, "Interstellar Gas", CGasEffect::kSection, CGasEffect::kCursorId,
     ID_TOOL_GAS, "gas", &Make<CGasEffect>,
     "&Interstellar Gas", "I",
     "Click and drag to generate an area of interstellar gas\nInterstellar Gas",
     false},
    {TOOL_VORTEX, "Vortex", CVortexEffect::kSection, CVortexEffect::kCursorId,
     ID_TOOL_VORTEX, "vortex", &Make<CVortexEffect>,
     "&Vortex", "V",
     "Click and drag to generate a vortex\nVortex",
     false},
    {TOOL_GALAXY, "Galaxy", CGalaxyEffect::kSection, CGalaxyEffect::kCursorId,
     ID_TOOL_GALAXY, "galaxy", &Make<CGalaxyEffect>,
     "&Galaxy", "G",
     "Click and drag to generate a Galaxy\nGalaxy",
     true},
    {TOOL_LENSFLARE, "Lens Flare", CLensFlareEffect::kSection, CLensFlareEffect::kCursorId,
     ID_TOOL_LENSFLARE, "lensflare", &Make<CLensFlareEffect>,
     "&Lens Flare", "L",
     "Click and drag to generate a Lens Flare\nLens Flare",
     true},
    {TOOL_VENUS, "Venus", "Venus", CPlanetEffect::kCursorId,
     ID_TOOL_VENUS, "venus", &CPlanetEffect::CreateVenus,
     "Ven&us", "U",
     "Click and drag to generate a Venus type planet\nVenus",
     false},
    {TOOL_MOON, "Moon", "Moon", CPlanetEffect::kCursorId,
     ID_TOOL_MOON, "moon", &CPlanetEffect::CreateMoon,
     "&Moon", "M",
     "Click and drag to generate a moon\nMoon",
     false},
    {TOOL_EARTH, "Earth", "Earth", CPlanetEffect::kCursorId,
     ID_TOOL_EARTH, "earth", &CPlanetEffect::CreateEarth,
     "&Earth", "E",
     "Click and drag to generate an Earth type planet\nEarth",
     false},
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
