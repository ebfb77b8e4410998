// The render protocol: progress bar arithmetic, frame state and the cancel flag.
#include "EffectTestSupport.h"
#include "effects/ProgressMeter.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {
class ProgressMeterTest : public ::testing::Test
{
protected:
    void SetUp() override { SetProgressDisplay(&m_display); }
    void TearDown() override
    {
        SetProgressDisplay(nullptr);
        g_bCancelRender = 0;
    }
    CRecordingDisplay m_display;
};
}

TEST_F(ProgressMeterTest, ZeroUnitsShowsAndRemovesTheBar)
{
    g_bCancelRender = 1;
    CProgressMeter meter;
    EXPECT_TRUE(meter.Begin(0));
    EXPECT_EQ(g_bCancelRender, 0);
    EXPECT_TRUE(m_display.m_bBar);
    EXPECT_FALSE(m_display.m_bFrameEnabled);
    meter.Step(0); // never divides by the zero total
    meter.End();
    EXPECT_FALSE(m_display.m_bBar);
    EXPECT_TRUE(m_display.m_bFrameEnabled);
    EXPECT_EQ(m_display.m_nCreated, 1);
    EXPECT_EQ(m_display.m_nDestroyed, 1);
    EXPECT_TRUE(m_display.m_positions.empty());
    EXPECT_EQ(g_bCancelRender, 0);
}

TEST_F(ProgressMeterTest, StepIsTruncatedPercent)
{
    CProgressMeter meter;
    meter.Begin(200);
    meter.Step(37);
    meter.Step(199);
    meter.Step(200);
    meter.End();
    EXPECT_EQ(m_display.m_positions, (std::vector<int>{18, 99, 100}));

    // Large renders: done * 100 must not overflow.
    m_display.m_positions.clear();
    meter.Begin(2000000000);
    meter.Step(1999999999);
    meter.End();
    EXPECT_EQ(m_display.m_positions, (std::vector<int>{99}));
    meter.Step(5); // idle: no bar to move
    EXPECT_EQ(m_display.m_positions.size(), 1u);
}

TEST_F(ProgressMeterTest, WithoutABarTheRenderStillClearsTheFlag)
{
    m_display.m_bCanCreate = FALSE;
    g_bCancelRender = 1;
    CProgressMeter meter;
    EXPECT_FALSE(meter.Begin(10));
    EXPECT_EQ(g_bCancelRender, 0);
    EXPECT_FALSE(m_display.m_bFrameEnabled);
    meter.Step(5);
    EXPECT_TRUE(m_display.m_positions.empty());
    meter.End();
    EXPECT_TRUE(m_display.m_bFrameEnabled);
    EXPECT_EQ(m_display.m_nDestroyed, 0);

    SetProgressDisplay(nullptr);
    g_bCancelRender = 1;
    EXPECT_FALSE(meter.Begin(10));
    EXPECT_EQ(g_bCancelRender, 0);
    meter.End();
}

TEST_F(ProgressMeterTest, AnUnfinishedMeterPutsTheFrameBack)
{
    {
        CProgressMeter meter;
        meter.Begin(10);
        // A second Begin without End replaces the bar instead of stacking a second one.
        meter.Begin(20);
        EXPECT_EQ(m_display.m_nCreated, 2);
        EXPECT_EQ(m_display.m_nDestroyed, 1);
    }
    EXPECT_FALSE(m_display.m_bBar);
    EXPECT_TRUE(m_display.m_bFrameEnabled);
    EXPECT_FALSE(IsRenderRunning());
}

TEST_F(ProgressMeterTest, RunningWhileAnyMeterIsBetweenBeginAndEnd)
{
    CProgressMeter canvas, other;
    EXPECT_FALSE(IsRenderRunning());
    canvas.Begin(10);
    EXPECT_TRUE(IsRenderRunning());
    other.Begin(5);
    other.End();
    other.End(); // a second End changes nothing
    EXPECT_TRUE(IsRenderRunning());
    canvas.End();
    EXPECT_FALSE(IsRenderRunning());
    // Without any display the render still counts as running.
    SetProgressDisplay(nullptr);
    canvas.Begin(3);
    EXPECT_TRUE(IsRenderRunning());
    canvas.End();
    EXPECT_FALSE(IsRenderRunning());
}

TEST(PumpPendingMessages, DispatchesWaitingEventsOnlyWithAnApplication)
{
    PumpPendingMessages(); // no application object: nothing to do, no fault
    int argc = 1;
    char name[] = "skyloom_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool fired = false;
    QTimer::singleShot(0, &app, [&fired] { fired = true; });
    PumpPendingMessages();
    EXPECT_TRUE(fired);
}
