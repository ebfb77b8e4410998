// The tool base: affected area, rubber-band shapes, the Select tool and the tool table.
#include "document/SettingsStore.h"
#include "effects/Effect.h"
#include "effects/EffectTools.h"
#include "effects/SelectTool.h"

#include <QCursor>
#include <QFile>
#include <QTemporaryDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {
CRect Affected(CRect rect, double dRotation)
{
    CEffect effect;
    effect.m_dRotation = dRotation;
    effect.GetAffectedRect(rect);
    return rect;
}
}

TEST(Effect, AffectedRectGrowsByTheRotatedBoundingBox)
{
    EXPECT_EQ(Affected(CRect(3, 7, 40, 90), 0.0), CRect(3, 7, 40, 90));
    EXPECT_EQ(Affected(CRect(0, 0, 100, 100), 45.0), CRect(-20, -20, 120, 120));
    // Odd sizes: the centre is an integer division, corners truncate toward zero.
    EXPECT_EQ(Affected(CRect(0, 0, 101, 51), 30.0), CRect(-5, -22, 107, 72));
    // A quarter turn of a wide rectangle adds its height above and below; the corners at
    // 4.999999996 truncate to 4 and stay inside the given rectangle.
    EXPECT_EQ(Affected(CRect(10, 20, 50, 30), 90.0), CRect(10, 5, 50, 45));
    // Never smaller than what was dragged.
    for (double rot = 1; rot < 360; rot += 7) {
        const CRect r = Affected(CRect(-30, 15, 77, 46), rot);
        EXPECT_LE(r.left, -30);
        EXPECT_LE(r.top, 15);
        EXPECT_GE(r.right, 77);
        EXPECT_GE(r.bottom, 46);
    }
}

TEST(Effect, FeedbackShapes)
{
    const auto rect = RectangleFeedback(CRect(5, 6, 30, 40));
    ASSERT_EQ(rect.size(), 1u);
    EXPECT_EQ(rect[0].kind, CFeedbackShape::Rectangle);
    EXPECT_EQ(rect[0].rect, CRect(5, 6, 30, 40));

    // Unrotated: the axes through the integer centre, a half-width and a half-height long.
    auto shapes = EllipseCrossFeedback(CRect(0, 0, 100, 50), 0.0);
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0].kind, CFeedbackShape::Ellipse);
    EXPECT_EQ(shapes[0].rect, CRect(0, 0, 100, 50));
    EXPECT_EQ(shapes[1].kind, CFeedbackShape::Line);
    EXPECT_EQ(shapes[1].from, CPoint(100, 25));
    EXPECT_EQ(shapes[1].to, CPoint(0, 25));
    EXPECT_EQ(shapes[2].from, CPoint(50, 50));
    EXPECT_EQ(shapes[2].to, CPoint(50, 0));

    // A quarter turn swaps the axes.
    shapes = EllipseCrossFeedback(CRect(0, 0, 100, 50), 90.0);
    EXPECT_EQ(shapes[1].from, CPoint(50, -25));
    EXPECT_EQ(shapes[1].to, CPoint(50, 75));
    EXPECT_EQ(shapes[2].from, CPoint(75, 25));
    EXPECT_EQ(shapes[2].to, CPoint(25, 25));

    // 45 degrees on an odd rectangle: hw = 51 - 25 = 26, hh = 12 - 1 = 11; 26 * 0.7071 and
    // 11 * 0.7071 truncate to 18 and 7.
    shapes = EllipseCrossFeedback(CRect(0, 1, 51, 23), 45.0);
    EXPECT_EQ(shapes[1].from, CPoint(25 + 18, 12 - 18));
    EXPECT_EQ(shapes[1].to, CPoint(25 - 18, 12 + 18));
    EXPECT_EQ(shapes[2].from, CPoint(25 + 7, 12 + 7));
    EXPECT_EQ(shapes[2].to, CPoint(25 - 7, 12 - 7));
}

TEST(Effect, PaintingFeedbackKeepsThePaintersPen)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const QPen solid(Qt::red, 1, Qt::SolidLine);
    painter.setPen(solid);
    painter.setBrush(Qt::NoBrush);
    CEffect effect;
    effect.DrawFeedback(&painter, CRect(2, 3, 12, 9));
    PaintFeedback(&painter, EllipseCrossFeedback(CRect(0, 0, 40, 20), 0.0));
    EXPECT_EQ(painter.pen(), solid);
    painter.end();
    // The rectangle's outline lies inside right and bottom, as the view's band does.
    EXPECT_EQ(image.pixel(2, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(11, 8), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(12, 9), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(7, 5), qRgb(0, 0, 0));
    // The cross starts white with the dashed pen.
    EXPECT_EQ(image.pixel(20, 10), qRgb(255, 255, 255));
    EXPECT_TRUE(EffectCrossPen().style() == Qt::DashLine);
    PaintFeedback(nullptr, RectangleFeedback(CRect(0, 0, 1, 1)));
}

namespace {
int s_nLoadedCursor = 0;
// A host with a cursor for the Select tool (135) only.
class CCursorHost : public CEffectHost
{
public:
    const QCursor* LoadToolCursor(int nId) override
    {
        static const QCursor cursor;
        s_nLoadedCursor = nId;
        return nId == 135 ? &cursor : nullptr;
    }
};
}

TEST(Effect, SelectToolAndBaseBehaviour)
{
    CEffect effect;
    EXPECT_EQ(effect.m_nCursorId, 32512);
    EXPECT_EQ(effect.m_bSelectionTool, 0);
    EXPECT_TRUE(effect.ClearsSelectionOnClick());
    effect.m_bClearsSelection = FALSE;
    EXPECT_FALSE(effect.ClearsSelectionOnClick());
    effect.m_dRotation = 30;
    effect.ResetDefaults();
    EXPECT_EQ(effect.m_dRotation, 0.0);
    EXPECT_EQ(effect.CreatePropertiesDialog(nullptr), nullptr);

    CSelectTool select;
    EXPECT_EQ(select.m_nCursorId, 135);
    EXPECT_EQ(select.m_bSelectionTool, 1);
    EXPECT_TRUE(select.ClearsSelectionOnClick());
    EXPECT_TRUE(select.m_strSection.isEmpty());

    EXPECT_EQ(select.SetToolCursor(), nullptr);
    CCursorHost host;
    SetEffectHost(&host);
    EXPECT_NE(select.SetToolCursor(), nullptr);
    EXPECT_EQ(s_nLoadedCursor, 135);
    EXPECT_EQ(effect.SetToolCursor(), nullptr);
    EXPECT_EQ(s_nLoadedCursor, 32512);
    SetEffectHost(nullptr);
}

TEST(Effect, TruncToIntSaturates)
{
    EXPECT_EQ(TruncToInt(2.9), 2);
    EXPECT_EQ(TruncToInt(-2.9), -2);
    EXPECT_EQ(TruncToInt(1e20), INT_MAX);
    EXPECT_EQ(TruncToInt(-1e20), INT_MIN);
    EXPECT_EQ(TruncToInt(std::nan("")), 0);
}

TEST(EffectTools, TableOrderAndSections)
{
    const char* sections[TOOL_COUNT] = {"",     "StarField", "Cluster", "Nebula",
                                        "Star", "Gas",       "Vortex",  "Galaxy",
                                        "Lens Flare", "Venus", "Moon",  "Earth"};
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const CToolInfo* pInfo = GetToolInfo(i);
        ASSERT_NE(pInfo, nullptr);
        EXPECT_EQ(pInfo->nIndex, i);
        EXPECT_STREQ(pInfo->szSection, sections[i]);
        if (i > 0) {
            EXPECT_EQ(FindToolBySection(sections[i]), i);
        }
        // A tool that is built in carries its own table's section.
        if (auto pTool = CreateTool(i)) {
            EXPECT_EQ(pTool->m_strSection, QString::fromLatin1(sections[i]));
        }
    }
    EXPECT_EQ(GetToolInfo(-1), nullptr);
    EXPECT_EQ(GetToolInfo(TOOL_COUNT), nullptr);
    EXPECT_EQ(CreateTool(TOOL_COUNT), nullptr);
    EXPECT_EQ(FindToolBySection(""), -1);
    EXPECT_EQ(FindToolBySection("starfield"), -1);
    EXPECT_EQ(FindToolBySection("LensFlare"), -1);

    auto pSelect = CreateTool(0);
    ASSERT_NE(pSelect, nullptr);
    EXPECT_EQ(pSelect->m_bSelectionTool, 1);
}

namespace {

// Everything a tool saves, as text: the table and what it keeps beside it.
QString SavedText(CEffect& effect, const QString& path)
{
    {
        CSettingsStore store(path);
        effect.SaveDefaults(store);
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

}

// Values set in memory give every tool exactly what a store holding just those values
// gives through LoadDefaults, the values left out and those kept beside the table
// included; a text that does not fit is refused and leaves the tool as it was.
TEST(Effect, SetValuesGivesWhatALoadFromAStoreGives)
{
    QTemporaryDir dir;
    for (int i = 0; i < TOOL_COUNT; ++i) {
        const CToolInfo* pInfo = GetToolInfo(i);
        if (!pInfo || !pInfo->pfnCreate || !*pInfo->szSection)
            continue;
        auto loaded = CreateTool(i), set = CreateTool(i);
        const CEffectValues table = loaded->GetValues();
        if (table.empty())
            continue;
        // The last value of the table from text, in the form a user gives it.
        const CEffectValue& last = table.back();
        const QString text = last.kind == CEffectValue::Color    ? QStringLiteral("#1a2b3c")
                             : last.kind == CEffectValue::Switch ? QStringLiteral("0")
                                                                 : QString::number(last.dMax);
        double d = 0;
        QString why;
        ASSERT_TRUE(ParseEffectValue(last, text, d, why)) << pInfo->szSection;
        {
            CSettingsStore store(dir.filePath(QString::number(i) + QStringLiteral("in.ini")));
            store.WriteString(loaded->m_strSection, QLatin1String(last.szName),
                              last.kind == CEffectValue::Real ? text
                                                              : QString::number(qlonglong(d)));
            loaded->LoadDefaults(store);
        }
        ASSERT_TRUE(set->SetValues({{QLatin1String(last.szName), text}}, why)) << why.toStdString();
        const QString name = QString::number(i);
        const QString expected = SavedText(*loaded, dir.filePath(name + QStringLiteral("a.ini")));
        EXPECT_EQ(SavedText(*set, dir.filePath(name + QStringLiteral("b.ini"))).toStdString(),
                  expected.toStdString())
            << pInfo->szSection;

        EXPECT_FALSE(set->SetValues({{QLatin1String(last.szName), QStringLiteral("x1")}}, why));
        EXPECT_FALSE(set->SetValues({{QStringLiteral("NoSuchValue"), QStringLiteral("1")}}, why));
        EXPECT_EQ(SavedText(*set, dir.filePath(name + QStringLiteral("c.ini"))).toStdString(),
                  expected.toStdString())
            << pInfo->szSection;
    }
}
