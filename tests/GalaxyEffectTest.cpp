#include "gl/GalaxyEffect.h"
#include "gl/GalaxyModel.h"
#include "gl/GLMesh.h"

#include "EffectTestSupport.h"
#include "GLTestSupport.h"
#include "document/Settings.h"
#include "document/SettingsStore.h"
#include "effects/Random.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const int kCodeE0 = 0, kCodeSBb = 769, kCodeSc = 514;

// Brightest channel sum over a block of rows [y0, y1) and columns [x0, x1).
int Brightest(const CDib& dib, int x0, int y0, int x1, int y1)
{
    int best = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const DWORD c = dib.GetPixel(x, y);
            const int sum = int(c & 0xFF) + int((c >> 8) & 0xFF) + int((c >> 16) & 0xFF);
            best = sum > best ? sum : best;
        }
    return best;
}

QStringList s_messages;
void RecordMessage(const QString& text)
{
    s_messages << text;
}

}

TEST(GalaxyEffectTest, BuiltInStoredAndLoadedDefaults)
{
    ResetSettings();
    g_fGalaxyGasScale = 4.25f;
    CGalaxyEffect effect;
    EXPECT_EQ(effect.m_strSection, "Galaxy");
    EXPECT_EQ(effect.m_nCursorId, 168);
    EXPECT_EQ(effect.m_nType, kCodeSc);
    EXPECT_EQ(effect.m_crGas, RGB(64, 0, 0));
    EXPECT_EQ(effect.m_strGasTexture, "Loose spiral.jpg");
    EXPECT_DOUBLE_EQ(effect.m_dGasScale, 4.25);
    // Face-on: the polar axis y turned onto the viewing axis z.
    const float pole[3] = {0, 1, 0};
    float out[3];
    effect.m_rotation.TransformPoint(pole, out);
    EXPECT_NEAR(out[2], 1, 1e-6);
    EXPECT_NEAR(out[1], 0, 1e-6);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        // Nothing stored: the load defaults, the negative gas scale replaced by the setting.
        CSettingsStore store(dir.filePath("empty.ini"));
        effect.LoadDefaults(store);
        EXPECT_EQ(effect.m_crCore, 3083512u);
        EXPECT_EQ(effect.m_crStars, 15342308u);
        EXPECT_DOUBLE_EQ(effect.m_dDensity, 0.5);
        EXPECT_DOUBLE_EQ(effect.m_dGasScale, 4.25);
        EXPECT_EQ(effect.m_crGas, 16777215u);
        EXPECT_TRUE(effect.m_strGasTexture.isEmpty());
    }
    {
        // A texture that loads survives a save and a load; reals go out as "%lf".
        const QString texture = dir.filePath("gas.bmp");
        CDib picture;
        ASSERT_TRUE(picture.Create(4, 4));
        ASSERT_TRUE(picture.Save(QFile::encodeName(texture).constData()));
        CSettingsStore store(dir.filePath("saved.ini"));
        effect.m_dDensity = 0.25;
        effect.m_dGasScale = 3;
        effect.m_crGas = RGB(1, 2, 3);
        effect.m_strGasTexture = texture;
        effect.SaveDefaults(store);
        EXPECT_EQ(store.GetString("Galaxy", "Density", ""), "0.250000");
        CGalaxyEffect loaded;
        loaded.LoadDefaults(store);
        EXPECT_DOUBLE_EQ(loaded.m_dDensity, 0.25);
        EXPECT_DOUBLE_EQ(loaded.m_dGasScale, 3);
        EXPECT_EQ(loaded.m_crGas, RGB(1, 2, 3));
        EXPECT_EQ(loaded.m_strGasTexture, texture);

        // A file that states more than 4096 pixels a side is dropped unread, as is one
        // that is gone; a stored negative scale means "the setting".
        QFile huge(dir.filePath("huge.bmp"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        // 4097 x 16 run-length rows that end at once: 60 bytes that read as a picture.
        huge.write(QByteArray::fromHex("424d3c000000000000003a0000002800000001100000100000000100"
                                       "0800010000000200000000000000000000000100000000000000ff"
                                       "ffff000001"));
        huge.close();
        store.WriteString("Galaxy", "GasTexture", huge.fileName());
        loaded.LoadDefaults(store);
        EXPECT_TRUE(loaded.m_strGasTexture.isEmpty());
        store.WriteString("Galaxy", "GasTexture", texture);
        QFile::remove(texture);
        store.WriteString("Galaxy", "GasScale", "-2.0");
        loaded.LoadDefaults(store);
        EXPECT_TRUE(loaded.m_strGasTexture.isEmpty());
        EXPECT_DOUBLE_EQ(loaded.m_dGasScale, 4.25);
    }
    ResetSettings();
}

class GalaxyRenderTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ResetSettings();
        SetRandomSeed(2024);
        m_effect.m_nType = kCodeE0;
        m_effect.m_dDensity = 1.0;
    }

    CGalaxyEffect m_effect;
};

TEST_F(GalaxyRenderTest, WithoutASecondImageTheGalaxyIsDrawnOnBlack)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(100, 80));
    picture.Fill(0xFFFFFF);
    // Top-down rectangle (10, 20)-(70, 60): rows 20..60 from the bottom.
    m_effect.Render(picture, CRect(10, 20, 70, 60), nullptr, FALSE);

    EXPECT_TRUE(PixelIs(picture, 11, 21, 0x000000)) << "corner of the rectangle";
    EXPECT_TRUE(PixelIs(picture, 68, 58, 0x000000));
    EXPECT_TRUE(PixelIs(picture, 9, 40, 0xFFFFFF)) << "left of the rectangle";
    EXPECT_TRUE(PixelIs(picture, 70, 40, 0xFFFFFF)) << "right of it";
    EXPECT_TRUE(PixelIs(picture, 40, 19, 0xFFFFFF)) << "below it";
    EXPECT_TRUE(PixelIs(picture, 40, 60, 0xFFFFFF)) << "above it";
    EXPECT_GT(Brightest(picture, 30, 30, 50, 50), 300) << "stars in the middle";
}

TEST_F(GalaxyRenderTest, ASecondImageIsTheBackground)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(100, 80));
    picture.Fill(0x204060);
    // The rectangle reaches past the left and top edges: the undo copy covers only the
    // part inside, and must land under that part.
    const CRect rect(-30, -10, 50, 50);
    CRect rows = rect;
    picture.FlipRect(rows);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            picture.SetPixel(x, y, DWORD(x) << 16 | DWORD(y));
    std::unique_ptr<CDib> undo(picture.Extract(rows));
    ASSERT_TRUE(undo);
    m_effect.m_nType = kCodeSBb;
    m_effect.m_dDensity = 0.05;
    m_effect.Render(picture, rect, undo.get(), FALSE);

    // Far from the galaxy's middle the background shows through unchanged.
    EXPECT_TRUE(PixelIs(picture, 0, 30, 0x00001E));
    EXPECT_TRUE(PixelIs(picture, 48, 31, 0x30001F));
    EXPECT_TRUE(PixelIs(picture, 60, 40, 0x3C0028)) << "outside the rectangle";
}

// A galaxy hanging far past the picture sends only the stars that can land in it, and
// gives the pixels the same galaxy gives where it lies wholly inside a larger picture.
TEST_F(GalaxyRenderTest, StarsOutsideThePictureAreNotDrawnAndThePixelsStay)
{
    m_effect.m_nType = kCodeSc;
    m_effect.m_dDensity = 0.5;
    const CSize sizes[2] = {CSize(64, 48), CSize(256, 144)};
    // The same 192 x 96 rectangle: mostly past the small picture's left and top edges,
    // inside the large one, where the small picture's pixels sit 120 right and 48 down.
    const CRect rects[2] = {CRect(-120, -48, 72, 48), CRect(0, 0, 192, 96)};
    CDib pictures[2];
    long long sent[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(pictures[i].Create(sizes[i].cx, sizes[i].cy));
        SetRandomSeed(77);
        const long long before = CGLMesh::PointsSent();
        m_effect.Render(pictures[i], rects[i], nullptr, FALSE);
        sent[i] = CGLMesh::PointsSent() - before;
    }
    int differing = 0, lit = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const DWORD small = pictures[0].GetPixel(x, y);
            differing += small != pictures[1].GetPixel(x + 120, y + 48);
            lit += small != 0;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lit, 100);
    EXPECT_LT(sent[0], sent[1] / 2) << "of " << sent[1] << " stars, " << sent[0] << " were sent";
}

TEST_F(GalaxyRenderTest, EveryClassDrawsSomethingAndTheTwistWindsTheSpirals)
{
    for (const GalaxyType& type : g_galaxyTypes) {
        CDib picture;
        ASSERT_TRUE(picture.Create(60, 40));
        m_effect.m_nType = type.Code();
        m_effect.m_dDensity = 0.3;
        m_effect.m_strGasTexture.clear();
        m_effect.Render(picture, CRect(0, 0, 60, 40), nullptr, FALSE);
        EXPECT_GT(Brightest(picture, 20, 10, 40, 30), 100) << type.szName;
    }
}

// A render keeps no stars: it draws them from the generator as it goes. The pixels and the
// generator's state after the build and after the draw are those of the kept batches the
// preview draws.
TEST_F(GalaxyRenderTest, StreamedStarsDrawTheKeptBatchesPixels)
{
    for (int nCode : {512, kCodeSBb, 3}) {
        DWORD seeds[2][2];
        CDib pictures[2];
        for (int streamed = 0; streamed < 2; ++streamed) {
            CDib& picture = pictures[streamed];
            ASSERT_TRUE(picture.Create(300, 200));
            ASSERT_TRUE(picture.CreateGLContext());
            CGLCurrentScope current(picture);
            ASSERT_TRUE(current.IsCurrent());
            std::unique_ptr<CGalaxyModel> pModel(CreateGalaxyModel(nCode));
            pModel->m_dDensity = 1.0;
            pModel->m_bStreamStars = streamed != 0;
            SetRandomSeed(99);
            pModel->Build(300 * 200);
            seeds[streamed][0] = GetRandomSeed();
            glViewport(50, 0, 200, 200);
            glMatrixMode(GL_PROJECTION);
            gluPerspective(60, 1, 1, 100);
            glMatrixMode(GL_MODELVIEW);
            glTranslatef(0, 0, -10);
            glMultMatrixf(CGalaxyEffect::Orientation(50, 20).Data());
            CGLStateCache cache;
            cache.Reset();
            cache.Capture();
            pModel->Draw(cache);
            seeds[streamed][1] = GetRandomSeed();
            pModel.reset();
        }
        EXPECT_EQ(seeds[1][0], seeds[0][0]) << nCode << ": after the build";
        EXPECT_EQ(seeds[1][1], seeds[0][1]) << nCode << ": after the draw";
        EXPECT_EQ(ImageHash(pictures[1]), ImageHash(pictures[0])) << nCode;
        EXPECT_GT(Brightest(pictures[0], 100, 50, 200, 150), 100) << nCode;
    }
}

TEST_F(GalaxyRenderTest, OutOfMemoryIsReportedAndChangesNothing)
{
    s_messages.clear();
    auto pHost = std::make_unique<CWarningHost>(RecordMessage);
    CDib picture;
    ASSERT_TRUE(picture.Create(30000, 20));
    picture.Fill(0x123456);
    // Reaching past the picture by less than its own width, the rectangle is drawn whole,
    // and no off-screen picture can be this wide.
    m_effect.Render(picture, CRect(-30000, 0, 60000, 20), nullptr, FALSE);
    pHost.reset();
    ASSERT_EQ(s_messages.size(), 1);
    EXPECT_EQ(s_messages[0], "Insufficent memory to render planet");
    EXPECT_TRUE(PixelIs(picture, 10, 10, 0x123456));

    // An empty rectangle is no failure: nothing happens.
    m_effect.Render(picture, CRect(5, 5, 5, 9), nullptr, FALSE);
    EXPECT_EQ(s_messages.size(), 1);
}

TEST(GalaxyEffectTest, CommandLineOptions)
{
    CGalaxyEffect effect;
    QString why;
    EXPECT_TRUE(effect.SetOption("Type", "SBb", why));
    EXPECT_EQ(effect.m_nType, kCodeSBb);
    EXPECT_TRUE(effect.SetOption("Type", "0", why));
    EXPECT_EQ(effect.m_nType, kCodeE0);
    EXPECT_FALSE(effect.SetOption("Type", "Spiral Se", why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(effect.m_nType, kCodeE0);

    // Tilt 90 is the face-on start; tilt 0 shows the disc edge-on, its pole pointing up.
    EXPECT_TRUE(effect.SetOption("Tilt", "90", why));
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(effect.m_rotation.Data()[i], CGalaxyEffect::FaceOnRotation().Data()[i]);
    EXPECT_TRUE(effect.SetOption("Tilt", "0", why));
    const float pole[3] = {0, 1, 0};
    float out[3];
    effect.m_rotation.TransformPoint(pole, out);
    EXPECT_NEAR(out[1], 1, 1e-6);
    // Spin turns about the pole, so it leaves the pole where the tilt put it.
    EXPECT_TRUE(effect.SetOption("Spin", "30", why));
    effect.m_rotation.TransformPoint(pole, out);
    EXPECT_NEAR(out[1], 1, 1e-6);
    EXPECT_FALSE(effect.SetOption("Tilt", "steep", why));
    EXPECT_FALSE(effect.SetOption("Tilt", "nan", why));
    EXPECT_FALSE(effect.SetOption("Spin", "1e9", why));

    EXPECT_FALSE(effect.SetOption("GasTexture", "/nonexistent/texture.jpg", why));
    EXPECT_TRUE(effect.SetOption("GasTexture", "", why));
    EXPECT_TRUE(effect.m_strGasTexture.isEmpty());
    EXPECT_FALSE(effect.SetOption("Density", "0.3", why)) << "stored values go through the table";
}

// Any turn of the preview is told as a tilt, spin and roll that make the same rotation
// again (to the hundredths of a degree they are kept to), face-on and face-off included,
// where spin and roll turn about the same line.
TEST(GalaxyEffectTest, EveryRotationHasAnglesThatMakeItAgain)
{
    const CMatrix4 turns[] = {
        CGalaxyEffect::FaceOnRotation(),
        CGalaxyEffect::Orientation(-90, 0),
        CGalaxyEffect::Orientation(90, 0) * CMatrix4::Rotation(40, 0, 1, 0),
        CGalaxyEffect::FaceOnRotation() * CMatrix4::Rotation(45, 0.8, 0.6, 0),
        CGalaxyEffect::Orientation(30, 120, -75) * CMatrix4::Rotation(170, 0.2, -1, 0.3),
        CMatrix4::Rotation(180, 1, 0, 0),
    };
    for (const CMatrix4& turn : turns) {
        double tilt = 0, spin = 0, roll = 0;
        CGalaxyEffect::OrientationAngles(turn, tilt, spin, roll);
        EXPECT_TRUE(tilt >= -90 && tilt <= 90 && std::abs(spin) <= 180 && std::abs(roll) <= 180);
        const CMatrix4 again = CGalaxyEffect::Orientation(tilt, spin, roll);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(again.Data()[i], turn.Data()[i], 2e-4)
                << tilt << " " << spin << " " << roll;
        // Told again, the rotation they make gives the same angles: a preview that
        // shows them does not creep.
        double t2 = 0, s2 = 0, r2 = 0;
        CGalaxyEffect::OrientationAngles(again, t2, s2, r2);
        EXPECT_EQ(t2, tilt);
        EXPECT_EQ(s2, spin);
        EXPECT_EQ(r2, roll);
    }
    double tilt = 0, spin = 0, roll = 0;
    CGalaxyEffect::OrientationAngles(CGalaxyEffect::Orientation(12.34, -56.78, 90.12), tilt, spin,
                                     roll);
    EXPECT_DOUBLE_EQ(tilt, 12.34);
    EXPECT_DOUBLE_EQ(spin, -56.78);
    EXPECT_DOUBLE_EQ(roll, 90.12);
}
