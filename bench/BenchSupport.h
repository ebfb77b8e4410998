// What several benchmarks share: the process's memory and CPU time, and whole-picture renders
// of an effect as a drag makes them.
#pragma once

#include "document/Dib.h"
#include "document/Settings.h"
#include "document/SkyloomDoc.h"
#include "effects/Effect.h"
#include "effects/Random.h"
#include "gl/GLContext.h"
#include "gl/GLLight.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>

#include <memory>

// The process's peak resident memory so far. A peak is only the benchmark's own when it
// runs alone (--benchmark_filter naming it).
inline double PeakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Starts the process's peak resident memory again from what it holds now (Linux's
// clear_refs), so that a benchmark's peak is not one of the set-up before it; and that peak.
inline void ResetPeakResident()
{
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}
inline double PeakResidentSinceResetMiB()
{
    double kib = 0;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmHWM: %lf kB", &kib) == 1)
                break;
        std::fclose(f);
    }
    return kib / 1024.0;
}

// CPU seconds the whole process has used so far, every thread of it (the software
// renderer's among them).
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Renders of an effect over the whole of a side x side picture with its undo copy, from seed 1
// each time; timing the loop gives the time a drag takes, and the process's CPU time over it
// is reported as process_cpu_ms.
class CWholePictureRender
{
public:
    // bShowProgress: the renders drive the effect's progress meter, as a drag does.
    CWholePictureRender(CEffect& effect, int side, BOOL bShowProgress = FALSE)
        : m_effect(effect), m_side(side), m_bShowProgress(bShowProgress)
    {
        m_dib.Create(side, side);
        m_dib.Fill(0x000010);
        m_undo.reset(m_dib.Extract(CRect(0, 0, side, side)));
        // The session's first render also compiles the software renderer's shaders: a cost
        // of the first drag, not of each, so it is paid here.
        std::unique_ptr<CDib> corner(m_dib.Extract(CRect(0, 0, 64, 64)));
        SetRandomSeed(1);
        effect.PrepareRender();
        effect.Render(m_dib, CRect(0, 0, 64, 64), corner.get(), FALSE);
    }

    void Run(benchmark::State& state)
    {
        const double cpuStart = ProcessCpuSeconds();
        for (auto _ : state) {
            SetRandomSeed(1);
            m_effect.PrepareRender();
            m_effect.Render(m_dib, CRect(0, 0, m_side, m_side), m_undo.get(), m_bShowProgress);
        }
        // All threads' time, ours and the renderer's: what the cores can share out at best.
        state.counters["process_cpu_ms"] = benchmark::Counter(
            (ProcessCpuSeconds() - cpuStart) * 1000, benchmark::Counter::kAvgIterations);
    }

    // The picture's size in MiB.
    double PictureMiB() const { return double(m_dib.m_nStride) * m_side / (1 << 20); }

private:
    CEffect& m_effect;
    int m_side;
    BOOL m_bShowProgress;
    CDib m_dib;
    std::unique_ptr<CDib> m_undo;
};

// What a lit render needs: OpenGL's entry points, the built-in settings and the default
// light. False, with the benchmark skipped, where there is no OpenGL.
inline bool PrepareLitRender(benchmark::State& state)
{
    if (!LoadGLEntryPoints(TRUE)) {
        state.SkipWithError("no OpenGL");
        return false;
    }
    ResetSettings();
    if (g_lightList.empty())
        CreateDefaultLight();
    return true;
}

// A document without history over a new w x h picture, for scenes painted as drags paint
// them. False, with the benchmark skipped, where there is no memory for the picture.
inline bool NewScenePicture(benchmark::State& state, CSkyloomDoc& doc, int w, int h)
{
    doc.SetKeepHistory(FALSE);
    CDib dib;
    if (!dib.Create(w, h)) {
        state.SkipWithError("no memory for the picture");
        return false;
    }
    doc.SetPicture(dib);
    return true;
}
