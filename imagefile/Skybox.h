// A whole sky held as a 2:1 panorama (equirectangular: columns are longitude 0 to 360
// degrees, wrapping around; rows latitude, +90 at the top to -90 at the bottom) and the six
// faces of the cube map made from it, oriented as OpenGL cube maps take them.
#pragma once

#include <QString>

#include <algorithm>
#include <cmath>

class CDib;

// The faces in OpenGL's order: +X, -X, +Y, -Y, +Z, -Z.
enum ECubeFace {
    CubeFacePositiveX,
    CubeFaceNegativeX,
    CubeFacePositiveY,
    CubeFaceNegativeY,
    CubeFacePositiveZ,
    CubeFaceNegativeZ,
    CubeFaceCount
};

// How the six files are named: "px nx py ny pz nz", or "right left top bottom front back"
// (the same faces in the same order).
enum class ESkyboxNaming {
    Axes,
    Sides,
};

// A direction of the sky, of length 1. +Y is up; the panorama's middle column (longitude 180)
// looks at +Z, the cube's front, and longitude grows to the right, towards +X.
struct CSkyDirection
{
    double x;
    double y;
    double z;
};

// The sky's angles in radians.
constexpr double kPi = 3.14159265358979323846;

// atan2 to within 1e-7 radians (a thousandth of a pixel of the widest panorama), several
// times faster than the library's: for work done at every pixel of a sky.
inline double FastAtan2(double y, double x)
{
    const double ax = std::fabs(x), ay = std::fabs(y);
    const double big = std::max(ax, ay);
    if (big == 0)
        return 0;
    const double t = std::min(ax, ay) / big, t2 = t * t;
    double r = t * (0.99999934 + t2 * (-0.33329856 + t2 * (0.19946536 + t2 * (-0.13908534 +
               t2 * (0.09642004 + t2 * (-0.05590988 + t2 * (0.02186124 - t2 * 0.00405404)))))));
    if (ay > ax)
        r = kPi / 2 - r;
    if (x < 0)
        r = kPi - r;
    return y < 0 ? -r : r;
}

// floor and ceil of a value well within int's range, as whole numbers: inline where the
// library's are calls, for the same per-pixel work.
inline int FloorToInt(double v)
{
    const int i = int(v);
    return i - (v < i);
}
inline int CeilToInt(double v)
{
    const int i = int(v);
    return i + (v > i);
}

// A longitude u (panorama pixels, of a panorama width pixels wide) taken the nearer way
// round from reference: a whole turn on or back when it lies more than half a turn away, so
// that points either side of the panorama's left and right edges stay neighbours.
inline double NearLongitude(double u, double reference, int width)
{
    return u - reference > width / 2.0   ? u - width
           : reference - u > width / 2.0 ? u + width
                                         : u;
}

// The direction at a longitude and latitude in degrees.
CSkyDirection PanoramaDirection(double dLongitude, double dLatitude);
// The longitude [0, 360) and latitude [-90, 90] of a direction (of any length but 0).
void PanoramaAngles(const CSkyDirection& d, double& dLongitude, double& dLatitude);
// Where a direction (of any length but 0) lands on a panorama of width x height, in pixels
// from its left edge (u, below width) and top row (v): as PanoramaAngles, to within a
// thousandth of a pixel, for work done at every pixel.
void PanoramaPixel(const CSkyDirection& d, int width, int height, double& u, double& v);

// The direction through the point (s, t) of a face, s from its left edge and t from its top
// row, each 0 to 1, as a cube map looks it up.
CSkyDirection CubeFaceDirection(ECubeFace face, double s, double t);
// The face a direction lands on, and where on it (the inverse of CubeFaceDirection).
ECubeFace CubeFaceOf(const CSkyDirection& d, double& s, double& t);

// Makes the six faces, in ECubeFace order, each nSize x nSize. Each pixel is the average of
// the panorama over the box its corners span (each panorama pixel weighted by how much of it
// lies inside; by the poles, where a box spans many columns, columns averaged in twos, fours
// and so on stand in for them), so a star of one pixel stays one bright pixel, not a blur,
// and no light is lost where faces meet. False when the panorama is empty or of an odd width,
// or memory runs out.
bool MakeCubeFaces(const CDib& panorama, int nSize, CDib (&faces)[CubeFaceCount]);

// The file name of a face without its extension.
const char* CubeFaceName(ECubeFace face, ESkyboxNaming naming);

// The face size a panorama gives by default: half its height, at least 1.
int DefaultSkyboxFaceSize(const CDib& panorama);

// Writes the six faces of nSize pixels into folder (made when missing) as NAME.extension
// (extension "png", "jpg" or "bmp"), each through the safe writer. False, with the reason in
// error, when the panorama is not 2:1, the size is out of range or a face cannot be made or
// written; faces written before a failure stay.
bool ExportSkybox(const CDib& panorama, const QString& folder, int nSize, ESkyboxNaming naming,
                  const QString& extension, QString& error);

// The largest face a skybox export makes.
constexpr int kMaxSkyboxFaceSize = 16384;
