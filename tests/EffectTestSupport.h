// Shared by the effect tests: a progress display that records (and can cancel), and
// picture comparisons that say where pictures differ.
#pragma once

#include "document/Dib.h"
#include "PictureAssertions.h"
#include "effects/EffectHost.h"
#include "effects/ProgressMeter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

class CRecordingDisplay : public CProgressDisplay
{
public:
    BOOL CreateBar() override
    {
        ++m_nCreated;
        m_bBar = m_bCanCreate;
        return m_bCanCreate;
    }
    void SetBarPosition(int nPercent) override
    {
        m_positions.push_back(nPercent);
        // Stands in for the Escape key arriving while the render pumps events.
        if (static_cast<int>(m_positions.size()) == m_nCancelAtStep)
            g_bCancelRender = 1;
    }
    void DestroyBar() override
    {
        ++m_nDestroyed;
        m_bBar = FALSE;
    }
    void EnableFrame(BOOL bEnable) override { m_bFrameEnabled = bEnable; }

    BOOL m_bCanCreate = TRUE;
    BOOL m_bBar = FALSE;
    BOOL m_bFrameEnabled = TRUE;
    int m_nCreated = 0;
    int m_nDestroyed = 0;
    // Set g_bCancelRender on this call of SetBarPosition (1 = the first); -1: never.
    int m_nCancelAtStep = -1;
    std::vector<int> m_positions;
};

// Installs a display for one test and leaves no display and a clear flag behind.
class CInstalledDisplay
{
public:
    CInstalledDisplay() { SetProgressDisplay(&m_display); }
    ~CInstalledDisplay()
    {
        SetProgressDisplay(nullptr);
        g_bCancelRender = 0;
    }
    CRecordingDisplay* operator->() { return &m_display; }
    CRecordingDisplay& Get() { return m_display; }

private:
    CRecordingDisplay m_display;
};

// The effects' host for one test, handing their warnings to record; the built-in host comes
// back after it.
class CWarningHost : public CEffectHost
{
public:
    explicit CWarningHost(std::function<void(const QString&)> record) : m_record(std::move(record))
    {
        SetEffectHost(this);
    }
    ~CWarningHost() override { SetEffectHost(nullptr); }
    CWarningHost(const CWarningHost&) = delete;
    CWarningHost& operator=(const CWarningHost&) = delete;
    void ShowEffectWarning(const QString& text) override { m_record(text); }

private:
    std::function<void(const QString&)> m_record;
};

// FNV-1a over the pixel bytes of each row (padding left out).
inline uint64_t ImageHash(const CDib& dib)
{
    uint64_t h = 14695981039346656037ull;
    for (int y = 0; y < dib.m_nHeight; ++y) {
        const BYTE* p = dib.PixelAddress(0, y);
        for (int i = 0; i < dib.m_nWidth * 3; ++i) {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    }
    return h;
}

inline int CountLitPixels(const CDib& dib)
{
    int n = 0;
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x)
            n += dib.GetPixel(x, y) != 0;
    return n;
}
