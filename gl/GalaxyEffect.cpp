#include "GalaxyEffect.h"

#include "../document/DataFolders.h"
#include "../document/Settings.h"
#include "../document/SettingsStore.h"
#include "../document/Dib.h"
#include "../effects/ControlIds.h"
#include "../imagefile/PictureSize.h"
#include "GLContext.h"
#include "GLDrawingArea.h"
#include "GLRenderWatch.h"
#include "GalaxyModel.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <memory>
#include <new>

namespace {
// The built-in textures (the default "Loose spiral.jpg") are compiled in, so a galaxy
// never depends on a folder being in its place.
const char* const kBuiltInTextures = ":/Textures/Galaxy/";
}

QString GalaxyTextureFolder()
{
    return ProgramDataFolder(QStringLiteral("Textures/Galaxy"));
}

QString GasTextureProblem(const QString& text)
{
    const QString path = ResolveGalaxyTexture(text);
    const QByteArray name = QFile::encodeName(path);
    CSize size;
    if (!ReadStatedPictureSize(name.constData(), size))
        return QStringLiteral("names no readable picture file");
    // Before anything is decoded: the header alone may claim gigabytes.
    if (size.cx > kMaxGasTextureSide || size.cy > kMaxGasTextureSide)
        return QStringLiteral("states a picture of %1 x %2 pixels; a gas texture may have at "
                              "most %3 x %3")
            .arg(size.cx)
            .arg(size.cy)
            .arg(kMaxGasTextureSide);
    CDib probe;
    if (!probe.Load(name.constData()))
        return QStringLiteral("names no readable picture file");
    return QString();
}

bool IsUsableGasTexture(const QString& text)
{
    return GasTextureProblem(text).isEmpty();
}

namespace {

// A bare name (no folder) that is one of the textures the program ships with: compiled in,
// or a file of its texture folder. Empty for anything else.
QString ShippedGasTexturePath(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return QString();
    const QString builtIn = QLatin1String(kBuiltInTextures) + name;
    if (QFileInfo(builtIn).isFile())
        return builtIn;
    const QString folder = GalaxyTextureFolder();
    const QString inFolder = folder + QLatin1Char('/') + name;
    return !folder.isEmpty() && QFileInfo(inFolder).isFile() ? inFolder : QString();
}

}

namespace {

// The bare name a recipe can give for path: the name of a texture the program ships with
// when path holds that very texture (chosen in its folder with Browse...), else path.
QString RecipeGasTextureName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name == path)
        return path;
    const QString shipped = ShippedGasTexturePath(name);
    if (shipped.isEmpty())
        return path;
    QFile a(path), b(shipped);
    const bool bSame = QFileInfo(path).size() == QFileInfo(shipped).size() &&
                       a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                       a.readAll() == b.readAll();
    return bSame ? name : path;
}

}

bool IsShippedGasTexture(const QString& name)
{
    return name.isEmpty() || !ShippedGasTexturePath(name).isEmpty();
}

QString ResolveGalaxyTexture(const QString& path)
{
    // A shipped texture's name means that texture, whatever the current folder holds.
    const QString shipped = ShippedGasTexturePath(path);
    return shipped.isEmpty() ? path : shipped;
}

CMatrix4 CGalaxyEffect::FaceOnRotation()
{
    return CMatrix4::RotationRadians(kGalaxyQuarterTurn, 1, 0, 0);
}

CMatrix4 CGalaxyEffect::Orientation(double tilt, double spin, double roll)
{
    // Radians in single precision, so that a tilt of 90 is exactly the face-on start.
    auto radians = [](double degrees) {
        return static_cast<float>(degrees * 3.14159265358979323846 / 180.0);
    };
    const CMatrix4 turned = CMatrix4::RotationRadians(radians(tilt), 1, 0, 0) *
                            CMatrix4::RotationRadians(radians(spin), 0, 1, 0);
    // No roll multiplies nothing in: the rotations of tilt and spin alone stay as they were.
    return roll == 0 ? turned : CMatrix4::RotationRadians(radians(roll), 0, 0, 1) * turned;
}

void CGalaxyEffect::OrientationAngles(const CMatrix4& m, double& tilt, double& spin,
                                      double& roll)
{
    // Rz(roll) Rx(tilt) Ry(spin) has sin(tilt) at (2, 1), cos(tilt) times the sine and
    // cosine of spin in row 2 and of roll in column 1.
    const double kDegrees = 180.0 / 3.14159265358979323846;
    const double m20 = m(2, 0), m21 = m(2, 1), m22 = m(2, 2);
    const double cosTilt = std::sqrt(m20 * m20 + m22 * m22);
    tilt = std::atan2(m21, cosTilt) * kDegrees;
    if (cosTilt > 1e-6) {
        spin = std::atan2(-m20, m22) * kDegrees;
        roll = std::atan2(-double(m(0, 1)), double(m(1, 1))) * kDegrees;
    } else {
        // Face-on or face-off: spin and roll turn about the same line; spin takes it all.
        roll = 0;
        spin = std::atan2(double(m(0, 2)), double(m(0, 0))) * kDegrees;
    }
    auto hundredths = [](double d) {
        const double r = std::round(d * 100) / 100;
        // Half a turn either way is the same: always 180. Never "-0".
        return r <= -180 ? r + 360 : (r == 0 ? 0.0 : r);
    };
    tilt = hundredths(tilt);
    spin = hundredths(spin);
    roll = hundredths(roll);
}

bool CGalaxyEffect::IsOrientationAngle(double degrees)
{
    return degrees >= -360 && degrees <= 360;
}

void CGalaxyEffect::SetOrientation(double tilt, double spin, double roll)
{
    m_dTilt = tilt;
    m_dSpin = spin;
    m_dRoll = roll;
    m_rotation = Orientation(tilt, spin, roll);
}

CGalaxyEffect::CGalaxyEffect()
{
    m_strSection = QLatin1String(kSection);
    m_nCursorId = kCursorId;
    m_rotation = FaceOnRotation();
    ResetDefaults();
}

// Not the load defaults of the table: a reset gives the dark red gas with the loose
// spiral texture and the gas scale of the settings.
void CGalaxyEffect::ResetDefaults()
{
    m_crCore = RGB(248, 12, 47);
    m_crStars = RGB(228, 26, 234);
    m_nType = 514;
    m_dDensity = 0.5;
    m_dGasScale = g_fGalaxyGasScale;
    m_crGas = RGB(64, 0, 0);
    m_strGasTexture = QStringLiteral("Loose spiral.jpg");
}

CEffectValues CGalaxyEffect::GetValues()
{
    // The gas texture, a string, is loaded and saved beside the table.
    return {
        ColorValue("ColorHigh", &m_crCore, "3083512", "colour of the stars at the centre")
            .ShownBy(GalaxyIds::CoreColor),
        ColorValue("ColorLow", &m_crStars, "15342308", "colour of the stars far out")
            .ShownBy(GalaxyIds::StarsColor),
        RealValue("Density", &m_dDensity, "0.5", 0, 1, "stars of the main cloud per 4 pixels")
            .ShownIn(GalaxyIds::Density, GalaxyIds::DensitySpin, 1),
        // -1, the load default, stands for the GalaxyGasScale setting.
        RealValue("GasScale", &m_dGasScale, "-1.0", 0, 10,
                  "radius of the gas disc; by default the GalaxyGasScale setting (6.5)")
            .ShownIn(GalaxyIds::GasScale, GalaxyIds::GasScaleSpin, 10),
        ColorValue("ColorGas", &m_crGas, "16777215", "colour of the gas disc at its centre")
            .ShownBy(GalaxyIds::GasColor),
    };
}

void CGalaxyEffect::LoadDefaults(const CSettingsStore& store)
{
    // Any negative stored scale stands for the setting, not only the default -1 (which
    // the load would otherwise bring up to 0).
    const bool bSettingScale = store.GetReal(m_strSection, QStringLiteral("GasScale"), "-1.0") < 0;
    CEffect::LoadDefaults(store);
    if (bSettingScale)
        m_dGasScale = g_fGalaxyGasScale;
    m_strGasTexture = store.GetString(m_strSection, QStringLiteral("GasTexture"), QString());
    if (!m_strGasTexture.isEmpty() && !IsUsableGasTexture(m_strGasTexture))
        m_strGasTexture.clear(); // the built-in texture
    // The orientation last used; an angle out of range (or no number) is face-on's.
    auto angle = [&](const char* szName, const char* szDefault) {
        const double d = store.GetReal(m_strSection, QLatin1String(szName), szDefault);
        return IsOrientationAngle(d) ? d : QByteArray(szDefault).toDouble();
    };
    SetOrientation(angle("Tilt", "90"), angle("Spin", "0"), angle("Roll", "0"));
}

void CGalaxyEffect::ValuesLoaded()
{
    if (m_dGasScale < 0)
        m_dGasScale = g_fGalaxyGasScale;
}

void CGalaxyEffect::ResetUnlistedValues()
{
    m_strGasTexture.clear();
    SetOrientation(90, 0, 0);
}

void CGalaxyEffect::SaveDefaults(CSettingsStore& store)
{
    CEffect::SaveDefaults(store);
    store.WriteString(m_strSection, QStringLiteral("GasTexture"), m_strGasTexture);
    store.WriteString(m_strSection, QStringLiteral("Tilt"), GetOption(QStringLiteral("Tilt")));
    store.WriteString(m_strSection, QStringLiteral("Spin"), GetOption(QStringLiteral("Spin")));
    store.WriteString(m_strSection, QStringLiteral("Roll"), GetOption(QStringLiteral("Roll")));
}

std::vector<CEffectOption> CGalaxyEffect::GetOptions()
{
    return {
        {"Type", "type code, name or short name: Sa to Sd, SBa to SBd, E0 to E7 [Sc]"},
        {"Tilt", "degrees about the horizontal axis: 90 face-on, 0 edge-on [90]"},
        {"Spin", "degrees about the galaxy's own axis, turned before the tilt [0]"},
        {"Roll", "degrees about the line of sight, turned after the tilt [0]"},
        {"GasTexture", "image file of the spirals' gas disc, at most 4096 x 4096; empty: the "
                       "built-in one []"},
    };
}

bool CGalaxyEffect::SetOption(const QString& name, const QString& text, QString& why)
{
    if (name == QLatin1String("Type")) {
        const int nCode = GalaxyTypeFromText(text);
        if (nCode < 0) {
            why = QStringLiteral("is not a galaxy type");
            return false;
        }
        m_nType = nCode;
        return true;
    }
    if (name == QLatin1String("Tilt") || name == QLatin1String("Spin") ||
        name == QLatin1String("Roll")) {
        bool bOk = false;
        const double d = text.trimmed().toDouble(&bOk);
        if (!bOk || !IsOrientationAngle(d)) {
            why = QStringLiteral("expects degrees from -360 to 360");
            return false;
        }
        if (name == QLatin1String("Tilt"))
            SetOrientation(d, m_dSpin, m_dRoll);
        else if (name == QLatin1String("Spin"))
            SetOrientation(m_dTilt, d, m_dRoll);
        else
            SetOrientation(m_dTilt, m_dSpin, d);
        return true;
    }
    if (name == QLatin1String("GasTexture")) {
        if (!text.isEmpty()) {
            why = GasTextureProblem(text);
            if (!why.isEmpty())
                return false;
        }
        m_strGasTexture = text;
        return true;
    }
    return CEffect::SetOption(name, text, why);
}

std::unique_ptr<CGalaxyModel> CGalaxyEffect::CreateModel() const
{
    std::unique_ptr<CGalaxyModel> pModel(CreateGalaxyModel(m_nType));
    if (!pModel)
        return pModel;
    pModel->m_bTwist = m_bTwist;
    pModel->m_bStars = m_bStars;
    pModel->m_bCore = m_bCore;
    pModel->m_starsColor.SetColorRef(m_crStars);
    pModel->m_coreColor.SetColorRef(m_crCore);
    pModel->m_gasColor.SetColorRef(m_crGas);
    pModel->m_strGasTexture = ResolveGalaxyTexture(m_strGasTexture);
    pModel->m_dDensity = m_dDensity;
    pModel->m_dGasScale = m_dGasScale;
    return pModel;
}

QString CGalaxyEffect::GetOption(const QString& name) const
{
    if (name == QLatin1String("Type"))
        return QString::number(m_nType);
    // The shortest text that reads back as the same number: 47.12, not 47.119999999999997.
    if (name == QLatin1String("Tilt"))
        return QString::number(m_dTilt, 'g', QLocale::FloatingPointShortest);
    if (name == QLatin1String("Spin"))
        return QString::number(m_dSpin, 'g', QLocale::FloatingPointShortest);
    if (name == QLatin1String("Roll"))
        return QString::number(m_dRoll, 'g', QLocale::FloatingPointShortest);
    if (name == QLatin1String("GasTexture"))
        return RecipeGasTextureName(m_strGasTexture);
    return CEffect::GetOption(name);
}

void CGalaxyEffect::PrepareRender() {}

void CGalaxyEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    DrawEllipseCrossFeedback(pPainter, rect);
}

namespace {

// The galaxy's camera: a square viewport of the rectangle's shorter side, centred in it,
// moved by the drawn part's corner (dx, dy) in the rectangle.
void SetUpGalaxyView(int w, int h, int dx, int dy)
{
    const int side = w < h ? w : h;
    const int x0 = w >= h ? (w - h) / 2 : 0;
    const int y0 = h > w ? (h - w) / 2 : 0;
    glViewport(x0 - dx, y0 - dy, side, side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

// Only the part of the drawn area inside the picture can show (window coordinates count
// rows from the bottom, as rows does).
CRect VisibleInArea(const CDib& image, const CRect& rows, const CRect& drawn)
{
    CRect visible;
    visible.IntersectRect(rows, CRect(0, 0, image.m_nWidth, image.m_nHeight));
    visible.OffsetRect(-drawn.left, -drawn.top);
    return visible;
}

}

void CGalaxyEffect::Render(CDib& image, const CRect& rect, CDib* pSecondImage,
                           BOOL bShowProgress)
{
    CGLStateCache cache;
    cache.Reset();
    CRect rows = rect;
    image.FlipRect(rows);
    const int w = rows.Width(), h = rows.Height();
    if (w <= 0 || h <= 0)
        return;

    try {
        auto pArea = std::make_unique<CGLDrawingArea>();
        std::unique_ptr<CGalaxyModel> pModel = CreateModel();
        if (!pModel)
            throw std::bad_alloc();

        // The view moves by the drawn part's corner in the rectangle; a wrapped area is
        // drawn whole.
        const CRect drawn = m_bWrapAround ? rows : CGLDrawingArea::DrawnPart(image, rows);
        const int dx = drawn.left - rows.left, dy = drawn.top - rows.top;
        if (!pArea->Create(image, drawn, m_bWrapAround))
            throw std::bad_alloc();
        // The galaxy never tests depth (its materials leave it off and write none).
        CDib& pixels = pArea->Pixels();
        if (!pixels.CreateGLContext(FALSE))
            return;

        BOOL bClear = TRUE;
        if (pSecondImage) {
            pArea->PasteBackground(*pSecondImage);
            bClear = FALSE;
        }

        {
            CGLCurrentScope current(pixels);
            if (!current.IsCurrent())
                return;
            // Drawn once: the stars come from the generator as they are drawn, not from
            // batches the size of the picture.
            pModel->m_bStreamStars = true;
            pModel->Build(w * h);
            cache.Capture();

            SetUpGalaxyView(w, h, dx, dy);
            cache.SetDepthWrite(1);

            glClear(bClear ? (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT) : GL_DEPTH_BUFFER_BIT);

            pModel->m_rectVisible =
                m_bWrapAround ? pArea->VisiblePart() : VisibleInArea(image, rows, drawn);

            glLoadIdentity();
            glPushMatrix();
            glTranslatef(0, 0, -10);
            glMultMatrixf(m_rotation.Data());
            if (bShowProgress) {
                // Watched as it goes: the stars, batch by batch, are the work.
                m_progress.Begin((pModel->m_bCore ? pModel->m_streamCore.nCount : 0) +
                                 (pModel->m_bStars ? pModel->m_streamStars.nCount : 0));
                const CGLRenderWatch watch(*pArea, m_progress, true);
                pModel->Draw(cache);
            } else {
                pModel->Draw(cache);
            }
            glPopMatrix();

            // Its textures belong to this context.
            pModel.reset();
        }
        pArea->Finish();
        m_progress.End();
    } catch (const std::bad_alloc&) {
        m_progress.End();
        ShowEffectWarning(QStringLiteral("Insufficent memory to render planet"));
    }
}
