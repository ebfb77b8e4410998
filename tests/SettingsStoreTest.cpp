// The settings store and the global preferences, on a temporary INI file.
#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "effects/EffectValue.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
class SettingsStoreTest : public ::testing::Test
{
protected:
    QString Path() const { return m_dir.filePath(QStringLiteral("settings.ini")); }
    // What the file holds, read behind the store's back.
    QVariant Raw(const QString& key) const
    {
        QSettings raw(Path(), QSettings::IniFormat);
        return raw.value(key);
    }
    void WriteRaw(const QString& key, const QVariant& value)
    {
        QSettings raw(Path(), QSettings::IniFormat);
        raw.setValue(key, value);
    }

    QTemporaryDir m_dir;
};
}

TEST_F(SettingsStoreTest, RealsAreKeptAsPercentLfText)
{
    {
        CSettingsStore store(Path());
        store.WriteReal("StarField", "Density", 0.02);
        store.WriteReal("StarField", "Rotation", -45.5);
        store.WriteReal("StarField", "Big", 123456789.125);
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_EQ(Raw("StarField/Density").toString(), "0.020000");
    EXPECT_EQ(Raw("StarField/Rotation").toString(), "-45.500000");
    EXPECT_EQ(Raw("StarField/Big").toString(), "123456789.125000");

    CSettingsStore store(Path());
    EXPECT_DOUBLE_EQ(store.GetReal("StarField", "Density", "0.5"), 0.02);
    EXPECT_DOUBLE_EQ(store.GetReal("StarField", "Rotation", "0"), -45.5);
    // Missing: the default text, converted.
    EXPECT_DOUBLE_EQ(store.GetReal("StarField", "Brightness", "0.5"), 0.5);
    EXPECT_DOUBLE_EQ(store.GetReal("Nowhere", "Density", "0.02"), 0.02);
}

TEST_F(SettingsStoreTest, RealTextConvertsLikeAtof)
{
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"abc", 0.0},       {"", 0.0},          {"  1.25", 1.25},   {"+3", 3.0},
        {"-0.5", -0.5},     {"2.5xyz", 2.5},    {"1e2", 100.0},     {"1e", 1.0},
        {".5", 0.5},        {"--1", 0.0},       {"+-1", 0.0},       {"nan", 0.0},
        {"inf", 0.0},       {"-infinity", 0.0}, {"1e999", 0.0},     {"0,5", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecimalTextToReal(QString::fromLatin1(c.text)), c.value) << c.text;

    // A stored value with no number in it is damaged: the value's own default, not 0.
    WriteRaw("Cluster/Density", "not a number");
    WriteRaw("Cluster/Huge", "1e999");
    WriteRaw("Cluster/Tiny", "1e-999");
    WriteRaw("Cluster/Prefix", "2.5xyz");
    CSettingsStore store(Path());
    EXPECT_EQ(store.GetReal("Cluster", "Density", "0.1"), 0.1);
    EXPECT_EQ(store.GetReal("Cluster", "Huge", "0.1"), 0.1);
    EXPECT_EQ(store.GetReal("Cluster", "Tiny", "0.1"), 0.0);
    EXPECT_EQ(store.GetReal("Cluster", "Prefix", "0.1"), 2.5);
}

TEST_F(SettingsStoreTest, IntegersAndStrings)
{
    WriteRaw("Paste/Broken", "twelve");
    WriteRaw("Paste/Hex", "0x10");
    WriteRaw("Paste/Huge", "99999999999");
    WriteRaw("Paste/Leading", "010");
    WriteRaw("Paste/White", "4294967295");
    CSettingsStore store(Path());
    store.WriteInt("StarField", "Color", 0xC0C0C0);
    store.WriteInt("Options", "Negative", -7);
    store.WriteString("Options", "PasteFilePath", "/home/a,b/pictures");
    store.WriteString("Options", "Empty", "");
    EXPECT_EQ(store.GetInt("StarField", "Color", 0), 0xC0C0C0);
    EXPECT_EQ(store.GetInt("Options", "Negative", 0), -7);
    EXPECT_EQ(store.GetInt("Options", "Missing", 42), 42);
    EXPECT_EQ(store.GetInt("Paste", "Broken", 5), 5);
    EXPECT_EQ(store.GetInt("Paste", "Hex", 5), 16);
    EXPECT_EQ(store.GetInt("Paste", "Huge", 5), 5);
    EXPECT_EQ(store.GetInt("Paste", "Leading", 5), 10);
    EXPECT_EQ(store.GetInt("Paste", "White", 5), -1);
    EXPECT_EQ(store.GetString("Options", "PasteFilePath", "x"), "/home/a,b/pictures");
    EXPECT_EQ(store.GetString("Options", "Empty", "x"), "");
    EXPECT_EQ(store.GetString("Options", "Missing", "x"), "x");
    EXPECT_TRUE(store.HasValue("Options", "Empty"));
    EXPECT_FALSE(store.HasValue("Options", "Missing"));
}

TEST_F(SettingsStoreTest, FirstRunGivesTheBuiltInPreferences)
{
    g_nPreviewDelay = 9;
    g_crCustomColors[3] = 0;
    g_nLightOrient = 1;
    CSettingsStore store(Path());
    LoadSettings(store);
    for (COLORREF c : g_crCustomColors)
        EXPECT_EQ(c, 0xFFFFFFu);
    EXPECT_EQ(g_crTransColor, 0u);
    EXPECT_EQ(g_dwTolerance, 0u);
    EXPECT_EQ(g_crBkgndColor, 0u);
    EXPECT_EQ(g_nPreviewDelay, 1);
    EXPECT_TRUE(g_strPasteFilePath.isEmpty());
    EXPECT_EQ(g_nLightOrient, 225);
    EXPECT_EQ(g_nLightInten, 50);
    EXPECT_EQ(g_nLightElevation, 50);
    EXPECT_EQ(g_nFOV, 30);
    EXPECT_FLOAT_EQ(g_fGalaxyGasScale, 6.5f);
}

TEST_F(SettingsStoreTest, PreferencesRoundTripExceptTheReadOnlyOnes)
{
    {
        CSettingsStore store(Path());
        LoadSettings(store);
        g_crCustomColors[15] = RGB(1, 2, 3);
        g_crTransColor = RGB(255, 0, 128);
        g_dwTolerance = 0x0A141E;
        g_crBkgndColor = RGB(0, 0, 40);
        g_nPreviewDelay = 0;
        g_strPasteFilePath = "/tmp/library";
        g_nLightOrient = 90;
        g_nLightInten = 75;
        g_nLightElevation = 10;
        g_nFOV = 60;
        g_fGalaxyGasScale = 1.0f;
        SaveSettings(store);
    }
    EXPECT_FALSE(Raw("Options/FOV").isValid());
    EXPECT_FALSE(Raw("Options/GalaxyGasScale").isValid());
    EXPECT_EQ(Raw("Colors/Custom0").toInt(), 0xFFFFFF);

    ResetSettings();
    CSettingsStore store(Path());
    LoadSettings(store);
    EXPECT_EQ(g_crCustomColors[15], RGB(1, 2, 3));
    EXPECT_EQ(g_crTransColor, RGB(255, 0, 128));
    EXPECT_EQ(g_dwTolerance, 0x0A141Eu);
    EXPECT_EQ(g_crBkgndColor, RGB(0, 0, 40));
    EXPECT_EQ(g_nPreviewDelay, 0);
    EXPECT_EQ(g_strPasteFilePath, "/tmp/library");
    EXPECT_EQ(g_nLightOrient, 90);
    EXPECT_EQ(g_nLightInten, 75);
    EXPECT_EQ(g_nLightElevation, 10);
    EXPECT_EQ(g_nFOV, 30);
    EXPECT_FLOAT_EQ(g_fGalaxyGasScale, 6.5f);
    ResetSettings();
}

TEST_F(SettingsStoreTest, HandEditedReadOnlyPreferences)
{
    WriteRaw("Options/FOV", 45);
    WriteRaw("Options/GalaxyGasScale", "3.25");
    CSettingsStore store(Path());
    LoadSettings(store);
    EXPECT_EQ(g_nFOV, 45);
    EXPECT_FLOAT_EQ(g_fGalaxyGasScale, 3.25f);
    WriteRaw("Options/GalaxyGasScale", "large");
    CSettingsStore again(Path());
    LoadSettings(again);
    EXPECT_EQ(g_fGalaxyGasScale, 6.5f);
    ResetSettings();
}

// A whole number past a value's range loads as the end it passed, however many digits it
// has: never as its low 32 bits, which turned 3000000000 into the smallest undo memory.
TEST_F(SettingsStoreTest, WholeNumbersPastTheirRangeLoadAsTheNearestEnd)
{
    WriteRaw("Options/UndoMemory", "3000000000");
    WriteRaw("Options/LightOrient", "4294967295");
    WriteRaw("Options/PreviewDelay", "123456789012345678901234567890");
    WriteRaw("Options/LightInten", "-3000000000");
    WriteRaw("Options/FOV", "0x1000000000");
    WriteRaw("LensFlare/PrimaryStreaks", "2147483648");
    CSettingsStore store(Path());
    LoadSettings(store);
    EXPECT_EQ(g_nUndoMemory, MachineMemoryMiB());
    EXPECT_EQ(g_nLightOrient, 359);
    EXPECT_EQ(g_nPreviewDelay, 10);
    EXPECT_EQ(g_nLightInten, 0);
    EXPECT_EQ(g_nFOV, 179);
    int streaks = 0;
    LoadEffectValues(store, QStringLiteral("LensFlare"),
                     {IntegerValue("PrimaryStreaks", &streaks, "4", 0, 100, "")});
    EXPECT_EQ(streaks, 100);
    ResetSettings();
}
