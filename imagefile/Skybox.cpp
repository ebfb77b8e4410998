#include "Skybox.h"

#include "../document/Dib.h"
#include "../document/QuotedName.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kDegrees = 180.0 / kPi;
}

CSkyDirection PanoramaDirection(double dLongitude, double dLatitude)
{
    const double lon = dLongitude / kDegrees, lat = dLatitude / kDegrees;
    return {-std::cos(lat) * std::sin(lon), std::sin(lat), -std::cos(lat) * std::cos(lon)};
}

void PanoramaAngles(const CSkyDirection& d, double& dLongitude, double& dLatitude)
{
    dLatitude = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * kDegrees;
    dLongitude = std::atan2(-d.x, -d.z) * kDegrees;
    if (dLongitude < 0)
        dLongitude += 360.0;
    if (dLongitude >= 360.0)
        dLongitude = 0;
}

void PanoramaPixel(const CSkyDirection& d, int width, int height, double& u, double& v)
{
    double lon = FastAtan2(-d.x, -d.z) * (0.5 / kPi);
    if (lon < 0)
        lon += 1;
    u = lon * width;
    if (u >= width) // a longitude a hair below a whole turn, rounded up to it
        u = std::nextafter(double(width), 0.0);
    v = (0.5 - FastAtan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * (1 / kPi)) * height;
}

// OpenGL's cube map table: on face F, the coordinates sc and tc (-1 to 1, tc downwards on
// the stored image) and the major axis give the direction.
CSkyDirection CubeFaceDirection(ECubeFace face, double s, double t)
{
    const double sc = 2 * s - 1, tc = 2 * t - 1;
    CSkyDirection d{};
    switch (face) {
    case CubeFacePositiveX:
        d = {1, -tc, -sc};
        break;
    case CubeFaceNegativeX:
        d = {-1, -tc, sc};
        break;
    case CubeFacePositiveY:
        d = {sc, 1, tc};
        break;
    case CubeFaceNegativeY:
        d = {sc, -1, -tc};
        break;
    case CubeFacePositiveZ:
        d = {sc, -tc, 1};
        break;
    case CubeFaceNegativeZ:
    default:
        d = {-sc, -tc, -1};
        break;
    }
    const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / n, d.y / n, d.z / n};
}

ECubeFace CubeFaceOf(const CSkyDirection& d, double& s, double& t)
{
    const double ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
    ECubeFace face;
    double sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = d.x >= 0 ? CubeFacePositiveX : CubeFaceNegativeX;
        ma = ax;
        sc = d.x >= 0 ? -d.z : d.z;
        tc = -d.y;
    } else if (ay >= az) {
        face = d.y >= 0 ? CubeFacePositiveY : CubeFaceNegativeY;
        ma = ay;
        sc = d.x;
        tc = d.y >= 0 ? d.z : -d.z;
    } else {
        face = d.z >= 0 ? CubeFacePositiveZ : CubeFaceNegativeZ;
        ma = az;
        sc = d.z >= 0 ? d.x : -d.x;
        tc = -d.y;
    }
    s = (sc / ma + 1) / 2;
    t = (tc / ma + 1) / 2;
    return face;
}

const char* CubeFaceName(ECubeFace face, ESkyboxNaming naming)
{
    static const char* const kAxes[CubeFaceCount] = {"px", "nx", "py", "ny", "pz", "nz"};
    static const char* const kSides[CubeFaceCount] = {"right",  "left",  "top",
                                                      "bottom", "front", "back"};
    if (face < 0 || face >= CubeFaceCount)
        return "";
    return naming == ESkyboxNaming::Axes ? kAxes[face] : kSides[face];
}

int DefaultSkyboxFaceSize(const CDib& panorama)
{
    return std::clamp(panorama.m_nHeight / 2, 1, kMaxSkyboxFaceSize);
}

bool ExportSkybox(const CDib& panorama, const QString& folder, int nSize, ESkyboxNaming naming,
                  const QString& extension, QString& error)
{
    if (panorama.m_nWidth != 2 * panorama.m_nHeight || panorama.m_nHeight <= 0) {
        error = QStringLiteral("a skybox is made from a sky sphere, a panorama twice as wide as "
                               "high; this picture is %1 x %2")
                    .arg(panorama.m_nWidth)
                    .arg(panorama.m_nHeight);
        return false;
    }
    if (nSize < 1 || nSize > kMaxSkyboxFaceSize) {
        error = QStringLiteral("a face must be 1 to %1 pixels a side").arg(kMaxSkyboxFaceSize);
        return false;
    }
    const QString ext = extension.toLower();
    if (ext != QLatin1String("png") && ext != QLatin1String("jpg") && ext != QLatin1String("bmp")) {
        error = QStringLiteral("faces are written as png, jpg or bmp, not %1").arg(extension);
        return false;
    }
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("the folder %1 cannot be made").arg(QuotedName(folder));
        return false;
    }
    CDib faces[CubeFaceCount];
    if (!MakeCubeFaces(panorama, nSize, faces)) {
        error = QStringLiteral("not enough memory for six faces of %1 x %1 pixels").arg(nSize);
        return false;
    }
    for (int f = 0; f < CubeFaceCount; ++f) {
        const auto face = static_cast<ECubeFace>(f);
        const QString path =
            dir.filePath(QLatin1String(CubeFaceName(face, naming)) + QLatin1Char('.') + ext);
        if (!faces[f].Save(QFile::encodeName(path).constData())) {
            error = QStringLiteral("cannot write %1").arg(QuotedName(path));
            return false;
        }
    }
    return true;
}
