// The Galaxy tool: builds a galaxy model of the chosen type for each render and draws it
// with OpenGL over a copy of the target area, then pastes the area back.
#pragma once

#include "../effects/Effect.h"
#include "Matrix4.h"

#include <QString>

#include <memory>

class CGalaxyModel;

// A gas texture's full path: a bare name of a texture the program ships with is that
// texture (compiled in, ":/Textures/Galaxy/<name>", or in the program's "Textures/Galaxy"
// folder); any other name is a file name as given.
QString ResolveGalaxyTexture(const QString& path);
// Where the gas textures the program ships with live on disk (empty without an application).
QString GalaxyTextureFolder();
// Why a texture will not load, empty when it will: it must be a regular picture file we
// can read (not a folder, a FIFO that would block, a file that is not a picture, one
// removed), whose header states at most kMaxGasTextureSide pixels a side.
QString GasTextureProblem(const QString& text);
bool IsUsableGasTexture(const QString& text);
// Whether a name is empty (the built-in texture) or the bare name of a texture the program
// ships with: the only names a file from elsewhere (a recipe) may give.
bool IsShippedGasTexture(const QString& name);

class CGalaxyEffect : public CEffect
{
public:
    // The tool's settings section and cursor, which the tool table takes from here.
    static constexpr const char* kSection = "Galaxy";
    static constexpr int kCursorId = 168;

    CGalaxyEffect();

    void LoadDefaults(const CSettingsStore& store) override;
    // -1 for the gas scale stands for the GalaxyGasScale setting.
    void ValuesLoaded() override;
    // No gas texture file (the built-in one) and the face-on orientation.
    void ResetUnlistedValues() override;
    void SaveDefaults(CSettingsStore& store) override;
    // With bShowProgress the stars are counted on the meter and watched as they are drawn,
    // and Escape stops them between batches.
    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void PrepareRender() override;
    bool UsesOpenGL() const override { return true; }
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    void ResetDefaults() override;
    // The five numeric stored values; the gas texture is stored beside them.
    CEffectValues GetValues() override;
    // Type, Tilt, Spin, Roll and GasTexture.
    std::vector<CEffectOption> GetOptions() override;
    bool SetOption(const QString& name, const QString& text, QString& why) override;
    QString GetOption(const QString& name) const override;

    COLORREF m_crCore = RGB(248, 12, 47);
    COLORREF m_crStars = RGB(228, 26, 234);
    int m_nType = 514; // "Spiral Sc"
    double m_dDensity = 0.5;
    double m_dGasScale = 6.5;
    COLORREF m_crGas = RGB(255, 255, 255);
    // Full path of the gas texture; empty means the type's built-in bitmap.
    QString m_strGasTexture;
    // Orientation of the galaxy; the start turns its plane x-z to face the viewer.
    CMatrix4 m_rotation;
    // The angles m_rotation is built from (SetOrientation); a render, its recipe step
    // and the settings all go by them.
    double m_dTilt = 90;
    double m_dSpin = 0;
    double m_dRoll = 0;
    int m_bTwist = 1;
    int m_bStars = 1;
    int m_bCore = 1;

    // A new model of the type with the effect's switches, colours, texture, density and
    // gas scale (not yet built); null when memory runs out.
    std::unique_ptr<CGalaxyModel> CreateModel() const;

    // The face-on orientation: a quarter turn about the x axis.
    static CMatrix4 FaceOnRotation();
    // Turned by spin degrees about the polar axis, then tilted by tilt degrees about the x
    // axis, then rolled by roll degrees about the line of sight; tilt 90, spin 0 and roll 0
    // is face-on.
    static CMatrix4 Orientation(double tilt, double spin, double roll = 0);
    // The angles of any rotation, as Orientation takes them (tilt -90 to 90, spin and roll
    // above -180 up to 180), rounded to hundredths of a degree: what the dialog shows and
    // a recipe keeps, so the galaxy painted is the one built again from them.
    static void OrientationAngles(const CMatrix4& rotation, double& tilt, double& spin,
                                  double& roll);
    // Sets the three angles and the rotation made from them.
    void SetOrientation(double tilt, double spin, double roll);
    // Whether an angle (degrees) is one the orientation accepts: -360 to 360.
    static bool IsOrientationAngle(double degrees);
};
