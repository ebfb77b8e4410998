// The three planet tools (Venus type, Moon, Earth): one effect class around the surface
// model it owns, drawn with OpenGL over a copy of the target area.
#pragma once

#include "SurfaceModel.h"
#include "effects/Effect.h"

#include <memory>

class CPlanetEffect : public CEffect
{
public:
    // The planets keep the system arrow.
    static constexpr int kCursorId = 32512;

    // The tool's section is the model's name ("Venus", "Moon", "Earth").
    explicit CPlanetEffect(std::unique_ptr<CSurfaceModel> pSurface);
    ~CPlanetEffect() override;

    void LoadDefaults(const CSettingsStore& store) override;
    void SaveDefaults(CSettingsStore& store) override;
    // Draws the planet into the centred square of rect over pSecondImage, the saved copy
    // of rect; without it nothing is drawn and the user is told.
    void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress) override;
    void PrepareRender() override;
    bool UsesOpenGL() const override { return true; }
    // The circle of the disc the planet will cover in rect and a cross over it.
    void DrawFeedback(QPainter* pPainter, const CRect& rect) override;
    // The square around the disc a render into rect (top-down) covers: the sphere's
    // silhouette through the field of view in use, or the Earth's halo around it.
    CRect DiscRect(const CRect& rect) const;
    // Only the rotation: the surface keeps its values (its dialog resets them).
    void ResetDefaults() override;
    // The surface model's values, under the tool's section.
    CEffectValues GetValues() override;
    // Values set by name take effect as a dialog's do: a changed fractal dimension, cloud
    // coverage, maria amount or sea level rebuilds the noise.
    void ValuesChanged(const QStringList& names) override;
    void ValuesLoaded() override;
    // FOV: the field of view the planet is seen through, by default the FOV setting.
    std::vector<CEffectOption> GetOptions() override;
    bool SetOption(const QString& name, const QString& text, QString& why) override;
    QString GetOption(const QString& name) const override;
    // Degrees of the field of view a render uses.
    int FieldOfView() const;

    CSurfaceModel& GetSurface() { return *m_pSurface; }
    const CSurfaceModel& GetSurface() const { return *m_pSurface; }

    static std::unique_ptr<CEffect> CreateVenus();
    static std::unique_ptr<CEffect> CreateMoon();
    static std::unique_ptr<CEffect> CreateEarth();

private:
    std::unique_ptr<CSurfaceModel> m_pSurface;
    // Set from outside (a recipe, --set FOV); 0 follows the FOV setting.
    int m_nFieldOfView = 0;
};
