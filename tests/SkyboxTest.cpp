#include "document/Dib.h"
#include "imagefile/Skybox.h"
#include "SkyTestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// A colour that follows the direction smoothly: red from x, green from y, blue from z.
DWORD DirectionColor(const CSkyDirection& d)
{
    const auto channel = [](double c) { return DWORD(std::lround(127.5 + 127.0 * c)); };
    return channel(d.z) | channel(d.y) << 8 | channel(d.x) << 16;
}

// A panorama whose every pixel shows the colour of its centre's direction.
void MakeDirectionPanorama(CDib& panorama, int height)
{
    panorama.Create(2 * height, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 2 * height; ++x)
            panorama.SetPixel(x, height - 1 - y,
                              DirectionColor(PanoramaDirection((x + 0.5) / (2 * height) * 360.0,
                                                               90.0 - (y + 0.5) / height * 180.0)));
}

TEST(Skybox, DirectionsRoundTripInTheCubeMapsOwnOrientation)
{
    // The faces' centres and the panorama's landmarks, as OpenGL's table gives them.
    const struct
    {
        ECubeFace face;
        double x, y, z;
    } kCentres[] = {{CubeFacePositiveX, 1, 0, 0}, {CubeFaceNegativeX, -1, 0, 0},
                    {CubeFacePositiveY, 0, 1, 0}, {CubeFaceNegativeY, 0, -1, 0},
                    {CubeFacePositiveZ, 0, 0, 1}, {CubeFaceNegativeZ, 0, 0, -1}};
    for (const auto& c : kCentres) {
        const CSkyDirection d = CubeFaceDirection(c.face, 0.5, 0.5);
        EXPECT_NEAR(d.x, c.x, 1e-12);
        EXPECT_NEAR(d.y, c.y, 1e-12);
        EXPECT_NEAR(d.z, c.z, 1e-12);
    }
    // The side faces' top rows look up; the front is the panorama's middle, right of it +X.
    EXPECT_GT(CubeFaceDirection(CubeFacePositiveZ, 0.5, 0.1).y, 0);
    EXPECT_GT(CubeFaceDirection(CubeFacePositiveX, 0.5, 0.1).y, 0);
    EXPECT_NEAR(PanoramaDirection(180, 0).z, 1, 1e-12);
    EXPECT_NEAR(PanoramaDirection(270, 0).x, 1, 1e-12);
    EXPECT_NEAR(PanoramaDirection(33, 90).y, 1, 1e-12);
    // +X's s runs towards -Z, as the table has it.
    EXPECT_LT(CubeFaceDirection(CubeFacePositiveX, 0.9, 0.5).z, 0);

    for (int i = 0; i < 500; ++i) {
        const double lon = std::fmod(i * 137.508, 360.0), lat = std::fmod(i * 71.3, 178.0) - 89;
        double lon2 = 0, lat2 = 0, s = 0, t = 0;
        const CSkyDirection d = PanoramaDirection(lon, lat);
        PanoramaAngles(d, lon2, lat2);
        EXPECT_NEAR(lon2, lon, 1e-9);
        EXPECT_NEAR(lat2, lat, 1e-9);
        const ECubeFace face = CubeFaceOf(d, s, t);
        const CSkyDirection back = CubeFaceDirection(face, s, t);
        EXPECT_NEAR(back.x, d.x, 1e-12);
        EXPECT_NEAR(back.y, d.y, 1e-12);
        EXPECT_NEAR(back.z, d.z, 1e-12);
    }
}

// Every pixel of every face shows its direction's colour, so the faces are oriented right
// and meet without seams: along each shared edge the two faces' outer pixels differ no more
// than neighbours inside a face do. Faces of an odd size have a middle row and column of
// their own, and small ones average many panorama pixels each (by the poles, rows averaged
// across). A panorama of an odd width is refused.
TEST(Skybox, FacesShowTheirDirectionsAndMeetWithoutSeams)
{
    CDib panorama;
    MakeDirectionPanorama(panorama, 256);
    for (const int n : {160, 37, 24}) {
        CDib faces[CubeFaceCount];
        ASSERT_TRUE(MakeCubeFaces(panorama, n, faces));
        for (int f = 0; f < CubeFaceCount; ++f) {
            int worst = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const CSkyDirection d =
                        CubeFaceDirection(ECubeFace(f), (i + 0.5) / n, (j + 0.5) / n);
                    worst = std::max(worst, ChannelDifference(faces[f].GetPixel(i, n - 1 - j),
                                                              DirectionColor(d)));
                }
            // Within the colour's change over one face pixel or so, pole and seam included.
            EXPECT_LE(worst, 4 + 400 / n) << "face " << f << " of " << n;
        }
        // Each edge pixel against the pixel across the edge on the neighbouring face, and
        // each pixel inside against its neighbour: a seam would stand out from the second.
        const auto [seam, inside] = CubeEdgeSteps(faces);
        EXPECT_LE(seam, 1.2 * inside + 0.25) << n;
    }
    CDib odd, faces[CubeFaceCount];
    odd.Create(31, 16);
    EXPECT_FALSE(MakeCubeFaces(odd, 8, faces));
}

// A star of one panorama pixel stays one bright pixel on the face, where its direction says.
TEST(Skybox, SinglePixelStarsStaySharp)
{
    const int h = 512;
    CDib panorama;
    panorama.Create(2 * h, h);
    const int sx = 590, sy = 230; // longitude ~207, latitude ~9: on the front face
    panorama.SetPixel(sx, h - 1 - sy, 0xFFFFFF);
    const int n = h / 2;
    CDib faces[CubeFaceCount];
    ASSERT_TRUE(MakeCubeFaces(panorama, n, faces));
    const CDib& face = faces[CubeFacePositiveZ];
    double s = 0, t = 0;
    ASSERT_EQ(
        CubeFaceOf(PanoramaDirection((sx + 0.5) / (2 * h) * 360, 90 - (sy + 0.5) / h * 180), s, t),
        CubeFacePositiveZ);
    int brightest = 0, bx = -1, by = -1, lit = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int v = int(face.GetPixel(i, n - 1 - j) & 0xFF);
            lit += v > 0;
            if (v > brightest) {
                brightest = v;
                bx = i;
                by = j;
            }
        }
    EXPECT_LE(std::abs(bx - int(s * n)), 1);
    EXPECT_LE(std::abs(by - int(t * n)), 1);
    // At about one panorama pixel a face pixel, the star keeps well over a third of its light
    // in one pixel, however it falls on the face's grid.
    EXPECT_GE(brightest, 90);
    EXPECT_LE(lit, 4);
}

TEST(Skybox, ExportWritesSixNamedFacesAndRefusesWhatIsNoSky)
{
    QTemporaryDir dir;
    CDib panorama;
    MakeDirectionPanorama(panorama, 32);
    QString error;
    ASSERT_TRUE(ExportSkybox(panorama, dir.path(), DefaultSkyboxFaceSize(panorama),
                             ESkyboxNaming::Sides, QStringLiteral("PNG"), error))
        << error.toStdString();
    for (const char* name : {"right", "left", "top", "bottom", "front", "back"}) {
        CDib face;
        ASSERT_TRUE(face.Load(QDir(dir.path())
                                  .filePath(QString::fromLatin1(name) + ".png")
                                  .toLocal8Bit()
                                  .constData()))
            << name;
        EXPECT_EQ(face.GetSize(), CSize(16, 16));
    }
    ASSERT_TRUE(
        ExportSkybox(panorama, dir.path(), 8, ESkyboxNaming::Axes, QStringLiteral("bmp"), error));
    EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath("nz.bmp")));

    CDib flat;
    flat.Create(30, 20);
    EXPECT_FALSE(ExportSkybox(flat, dir.path(), 8, ESkyboxNaming::Axes, "png", error));
    EXPECT_TRUE(error.contains("twice as wide")) << error.toStdString();
    EXPECT_FALSE(ExportSkybox(panorama, dir.path(), 0, ESkyboxNaming::Axes, "png", error));
    EXPECT_FALSE(ExportSkybox(panorama, dir.path(), 8, ESkyboxNaming::Axes, "tga", error));
    // A folder is made when missing; one under a file cannot be.
    EXPECT_TRUE(
        ExportSkybox(panorama, dir.filePath("new/sky"), 8, ESkyboxNaming::Axes, "png", error));
    EXPECT_FALSE(ExportSkybox(panorama, QDir(dir.path()).filePath("nz.bmp/sky"), 8,
                              ESkyboxNaming::Axes, "png", error));
    EXPECT_TRUE(error.contains("cannot be made")) << error.toStdString();
}

} // namespace
