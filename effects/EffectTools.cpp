#include "EffectTools.h"

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
    {0, "Select", "", &Make<CSelectTool>},
    {1, "Star Field", "StarField", &Make<CStarFieldEffect>},
    {2, "Cluster", "Cluster", &Make<CClusterEffect>},
    {3, "Nebula", "Nebula", &Make<CNebulaEffect>},
    {4, "Star", "Star", &Make<CStarEffect>},
    {5, "Interstellar Gas", "Gas", &Make<CGasEffect>},
    {6, "Vortex", "Vortex", &Make<CVortexEffect>},
    {7, "Galaxy", "Galaxy", &Make<CGalaxyEffect>},
    {8, "Lens Flare", "Lens Flare", &Make<CLensFlareEffect>},
    {9, "Venus", "Venus", &CPlanetEffect::CreateVenus},
    {10, "Moon", "Moon", &CPlanetEffect::CreateMoon},
    {11, "Earth", "Earth", &CPlanetEffect::CreateEarth},
};
}

const CToolInfo* GetToolInfo(int nIndex)
{
    if (nIndex < 0 || nIndex >= TOOL_COUNT)
        return nullptr;
    return &s_tools[nIndex];
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
