// What every per-pixel effect shares: awkward rectangles and parameters, the progress and
// cancel protocol, and stored values that are damaged or out of range.
#include "PixelEffectTestUtil.h"

#include "effects/EffectTools.h"
#include "effects/RenderThreads.h"

#include <QSettings>

#include <vector>

namespace {

const char* const kSections[] = {"Nebula", "Vortex", "Star", "Gas", "Lens Flare"};

std::unique_ptr<CEffect> Create(const char* section)
{
    return CreateTool(FindToolBySection(QString::fromLatin1(section)));
}

// Fails on a pixel outside rows that changed.
::testing::AssertionResult UnchangedOutside(const CDib& before, const CDib& after,
                                           const CRect& rows)
{
    for (int y = 0; y < before.m_nHeight; ++y)
        for (int x = 0; x < before.m_nWidth; ++x)
            if (!rows.PtInRect(CPoint(x, y)) && before.GetPixel(x, y) != after.GetPixel(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", row " << y
                                                     << ") outside the area changed";
    return ::testing::AssertionSuccess();
}

class PixelEffectsTest : public ::testing::TestWithParam<const char*>
{
};

}

TEST_P(PixelEffectsTest, AwkwardRectanglesStayInsideTheAffectedArea)
{
    auto effect = Create(GetParam());
    ASSERT_TRUE(effect);
    const CRect rects[] = {
        CRect(0, 0, 0, 0),        CRect(3, 3, 4, 4),        CRect(3, 3, 5, 4),
        CRect(2, 2, 4, 4),        CRect(-10, -7, 20, 12),   CRect(20, 10, 50, 40),
        CRect(-30, 5, 60, 18),    CRect(8, -40, 30, 70),    CRect(40, 30, 90, 80),
        CRect(-5000, -5000, 5000, 5000), CRect(-100000, 3, -99000, 9),
        // Tall and hanging below the picture: the turned ellipse reaches past the part the
        // undo copy holds.
        CRect(0, 15, 17, 53),
    };
    for (int width : {1, 2, 37}) {
        for (const CRect& rect : rects) {
            auto dib = FilledDib(width, 23, 0x808080);
            auto before = FilledDib(width, 23, 0x808080);
            RenderSeeded(*effect, *dib, rect, 17);
            CRect affected = rect;
            effect->GetAffectedRect(affected);
            EXPECT_TRUE(UnchangedOutside(*before, *dib, Rows(*dib, affected)))
                << GetParam() << " width " << width << " rect " << rect.left << ","
                << rect.top << "," << rect.right << "," << rect.bottom;
        }
    }
}

TEST_P(PixelEffectsTest, ExtremeParametersPaintNoGarbage)
{
    // Every real at either end of what the program accepts, every switch both ways:
    // the render finishes and the same input gives the same picture twice.
    auto effect = Create(GetParam());
    for (const char* extreme : {"-1e300", "0", "1e300", "nan", "inf"}) {
        QTemporaryDir dir;
        CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
        for (const CEffectValue& value : effect->GetValues())
            store.WriteString(
                effect->m_strSection, QString::fromLatin1(value.szName),
                QString::fromLatin1(value.kind == CEffectValue::Real ? extreme : "1"));
        effect->LoadDefaults(store);
        for (const CEffectValue& value : effect->GetValues())
            if (value.kind == CEffectValue::Real) {
                const double d = *static_cast<double*>(value.pField);
                EXPECT_TRUE(d >= value.dMin && d <= value.dMax) << value.szName << " " << extreme;
            }
        auto a = FilledDib(37, 23, 0x123456), b = FilledDib(37, 23, 0x123456);
        RenderSeeded(*effect, *a, CRect(-4, 2, 33, 30), 3);
        RenderSeeded(*effect, *b, CRect(-4, 2, 33, 30), 3);
        EXPECT_TRUE(SamePicture(*a, *b)) << GetParam() << " " << extreme;
    }
}

TEST_P(PixelEffectsTest, ProgressCountsRowsAndCancelStops)
{
    // On one thread the meter steps after every row.
    const CRenderThreadsScope oneThread(1);
    auto effect = Create(GetParam());
    effect->m_dRotation = 0; // the turned effects sweep a larger box
    CInstalledDisplay installed;
    CRecordingDisplay& display = installed.Get();
    auto dib = FilledDib(40, 30, 0x202020);
    // Partly outside: the meter counts the 40 x 20 pixels inside the picture.
    effect->Render(*dib, CRect(-10, 10, 50, 60), nullptr, TRUE);
    EXPECT_EQ(display.m_nCreated, 1);
    EXPECT_EQ(display.m_nDestroyed, 1);
    ASSERT_EQ(display.m_positions.size(), 20u);
    EXPECT_EQ(display.m_positions.front(), 40 * 100 / 800);
    EXPECT_EQ(display.m_positions.back(), 100);

    // Escape after the fifth row: the rows above it stay as they were, and the bar goes.
    display.m_positions.clear();
    display.m_nCancelAtStep = 5;
    auto fresh = FilledDib(40, 30, 0x202020);
    effect->PrepareRender();
    effect->Render(*fresh, CRect(0, 0, 40, 30), nullptr, TRUE);
    EXPECT_EQ(display.m_positions.size(), 5u);
    EXPECT_EQ(display.m_nDestroyed, 2);
    EXPECT_EQ(g_bCancelRender, 1);
    EXPECT_TRUE(UnchangedOutside(*FilledDib(40, 30, 0x202020), *fresh, CRect(0, 0, 40, 5)));

    // A preview never clears the flag: it stops at once.
    auto preview = FilledDib(40, 30, 0x202020);
    effect->Render(*preview, CRect(0, 0, 40, 30), nullptr, FALSE);
    EXPECT_TRUE(SamePicture(*preview, *FilledDib(40, 30, 0x202020)));
}

INSTANTIATE_TEST_SUITE_P(Effects, PixelEffectsTest, ::testing::ValuesIn(kSections),
                         [](const auto& info) {
                             std::string name = info.param;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

namespace {
// What SaveDefaults writes is exactly the table, so LoadDefaults, the command line and its
// help name the same values; a round trip keeps every value; a fresh object has the
// defaults a read from an empty store gives, and so (where it resets every value) has one
// after ResetDefaults. The galaxy stores its gas texture and orientation beside the table, and
// its reset gives a gas colour other than the load default; so does the Earth's coverage.
void CheckTableMatchesStore(int nTool, bool bResetsEveryValue)
{
    const bool bGalaxy = GetToolInfo(nTool)->szSection == std::string("Galaxy");
    auto effect = CreateTool(nTool);
    const std::string section = effect->m_strSection.toStdString();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    const CEffectValues values = effect->GetValues();
    for (const CEffectValue& value : values) {
        if (value.kind == CEffectValue::Real)
            *static_cast<double*>(value.pField) = (value.dMin + value.dMax) / 3;
        else if (value.kind == CEffectValue::Color)
            *static_cast<COLORREF*>(value.pField) = RGB(7, 8, 9);
        else
            *static_cast<int*>(value.pField) = int(value.dMax);
    }
    // The galaxy's orientation is kept like its values.
    const QStringList angles = {QStringLiteral("Tilt"), QStringLiteral("Spin"),
                                QStringLiteral("Roll")};
    if (bGalaxy) {
        QString why;
        for (const QString& angle : angles)
            EXPECT_TRUE(effect->SetOption(angle, QString::number(angle.size() * 7.25), why));
    }
    {
        CSettingsStore store(path);
        effect->SaveDefaults(store);
    }
    QSettings raw(path, QSettings::IniFormat);
    raw.beginGroup(effect->m_strSection);
    QStringList names;
    for (const CEffectValue& value : values)
        names << QString::fromLatin1(value.szName);
    if (bGalaxy)
        names << QStringLiteral("GasTexture") << angles;
    QStringList stored = raw.childKeys();
    stored.sort();
    names.sort();
    EXPECT_EQ(stored, names) << section;

    auto loaded = CreateTool(nTool);
    CSettingsStore store(path);
    loaded->LoadDefaults(store);
    const CEffectValues reloaded = loaded->GetValues();
    ASSERT_EQ(reloaded.size(), values.size());
    for (const QString& angle : bGalaxy ? angles : QStringList())
        EXPECT_EQ(loaded->GetOption(angle), effect->GetOption(angle)) << angle.toStdString();
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i].kind == CEffectValue::Real)
            EXPECT_NEAR(*static_cast<double*>(reloaded[i].pField),
                        *static_cast<double*>(values[i].pField), 1e-6)
                << section << " " << values[i].szName;
        else
            EXPECT_EQ(*static_cast<int*>(reloaded[i].pField),
                      *static_cast<int*>(values[i].pField))
                << section << " " << values[i].szName;
    }

    // Reset, and a fresh object, agree with the defaults a store read is given.
    loaded->ResetDefaults();
    auto fresh = CreateTool(nTool);
    QTemporaryDir emptyDir;
    CSettingsStore empty(emptyDir.filePath(QStringLiteral("s.ini")));
    auto fromEmpty = CreateTool(nTool);
    fromEmpty->LoadDefaults(empty);
    const CEffectValues a = loaded->GetValues(), b = fresh->GetValues(), c = fromEmpty->GetValues();
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind == CEffectValue::Real) {
            if (bResetsEveryValue) {
                EXPECT_EQ(*static_cast<double*>(a[i].pField), *static_cast<double*>(b[i].pField))
                    << section << " " << a[i].szName;
            }
            // The Earth's stored coverage reads as 0.3 where its built-in value is 0.25.
            if (section == "Earth" && a[i].szName == std::string("CloudCoverage"))
                continue;
            EXPECT_EQ(*static_cast<double*>(c[i].pField), *static_cast<double*>(b[i].pField))
                << section << " " << a[i].szName;
        } else {
            if (bResetsEveryValue) {
                EXPECT_EQ(*static_cast<int*>(a[i].pField), *static_cast<int*>(b[i].pField))
                    << section << " " << a[i].szName;
            }
            if (bGalaxy && a[i].szName == std::string("ColorGas"))
                continue;
            EXPECT_EQ(*static_cast<int*>(c[i].pField), *static_cast<int*>(b[i].pField))
                << section << " " << a[i].szName;
        }
    }
}
}

TEST(EffectValue, EveryToolsTableMatchesWhatItStores)
{
    int tables = 0;
    for (int i = 0; i < TOOL_COUNT; ++i) {
        auto probe = CreateTool(i);
        if (probe && !probe->GetValues().empty()) {
            // The Star Field's reset leaves its rotation, the Cluster's its colour; a
            // planet's resets only the rotation (its dialog resets the surface).
            const QString section = probe->m_strSection;
            const bool bResetsAll = section != QLatin1String("StarField") &&
                                    section != QLatin1String("Cluster") &&
                                    section != QLatin1String("Venus") &&
                                    section != QLatin1String("Moon") &&
                                    section != QLatin1String("Earth");
            CheckTableMatchesStore(i, bResetsAll);
            ++tables;
        }
    }
    EXPECT_GE(tables, 7);
}

TEST(EffectValue, DamagedStoredValues)
{
    int streaks = 0, sw = 0;
    double real = 0;
    COLORREF colour = 0;
    const CEffectValues values = {
        IntegerValue("Count", &streaks, "4", 0, 100, ""),
        SwitchValue("On", &sw, "0", ""),
        RealValue("Real", &real, "0.5", 0, 1, ""),
        ColorValue("Colour", &colour, "330280", ""),
    };
    QTemporaryDir dir;
    CSettingsStore store(dir.filePath(QStringLiteral("s.ini")));
    LoadEffectValues(store, QStringLiteral("X"), values);
    EXPECT_EQ(streaks, 4);
    EXPECT_EQ(sw, 0);
    EXPECT_EQ(real, 0.5);
    EXPECT_EQ(colour, 330280u);

    store.WriteString(QStringLiteral("X"), QStringLiteral("Count"), QStringLiteral("2000000000"));
    store.WriteString(QStringLiteral("X"), QStringLiteral("On"), QStringLiteral("7"));
    store.WriteString(QStringLiteral("X"), QStringLiteral("Real"), QStringLiteral("abc"));
    store.WriteString(QStringLiteral("X"), QStringLiteral("Colour"), QStringLiteral("-1"));
    LoadEffectValues(store, QStringLiteral("X"), values);
    EXPECT_EQ(streaks, 100);
    EXPECT_EQ(sw, 1);
    EXPECT_EQ(real, 0.5) << "text that is not a number reads as the default";
    EXPECT_EQ(colour, 0xFFFFFFu) << "a colour keeps its 24 bits";

    store.WriteString(QStringLiteral("X"), QStringLiteral("Count"), QStringLiteral("-3"));
    store.WriteString(QStringLiteral("X"), QStringLiteral("Real"), QStringLiteral("12.5"));
    LoadEffectValues(store, QStringLiteral("X"), values);
    EXPECT_EQ(streaks, 0);
    EXPECT_EQ(real, 1.0);
}
