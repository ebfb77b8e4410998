// Draws a planet as a lit sphere of GL points into a picture's off-screen context: the
// surface model gives each grid point its colour and normal, the rim fades over a band
// and the Earth gets a halo ring.
#pragma once

#include "document/WinTypes.h"
#include "PlanetGrid.h"
#include "effects/ProgressMeter.h"

#include <memory>

class CDib;
class CSurfaceModel;
class CGLLightPool;
class CGLLight;
class CLightSource;
class CGLDrawingArea;
class CGLRenderWatch;

class CPlanetRenderer
{
public:
    enum { ProgressNone = 0, ProgressDialog = 1, ProgressMeter = 2 };

    CPlanetRenderer();
    ~CPlanetRenderer();
    CPlanetRenderer(const CPlanetRenderer&) = delete;
    CPlanetRenderer& operator=(const CPlanetRenderer&) = delete;

    // Targets pTarget (which has its GL context) at width x height pixels, the sphere seen
    // through fieldOfView degrees. bClearColour: the draw clears the picture to black
    // first; otherwise it lands on the pixels already there. With bMakeCurrent the lights
    // are taken; the view is set in the context at each draw.
    void Setup(CDib* pTarget, int width, int height, int fieldOfView, BOOL bClearColour,
               BOOL bMakeCurrent);
    // The part of the target that is kept, in GL window pixels (origin bottom left); points
    // that cannot land in it are skipped, surface and all, so a planet mostly outside the
    // picture costs what its visible part does. Setup resets it to the whole target.
    void SetVisibleArea(const CRect& area) { m_visible = area; }
    // Where the target's corner lies in the width x height area when the target holds only
    // a part of it (the visible part): the view moves by it, so every point lands on the
    // pixel it would have in the whole area. Setup resets it to (0, 0).
    void SetTargetOrigin(CPoint origin) { m_origin = origin; }
    // The drawing area the target is the pixels of: a draw with ProgressMeter is then
    // watched, what it has drawn read back into the picture as it goes. Setup forgets it.
    void WatchIn(CGLDrawingArea* pArea) { m_pWatchArea = pArea; }
    // A new field of view with the previews' near and far planes.
    void SetFieldOfView(int angle);
    // Draws model. ProgressMeter steps the status-bar meter by rows and pumps events;
    // ProgressDialog pumps events too, but the dialog itself belongs to the application
    // and no caller passes it. A draw started while another runs returns at once. The
    // surface colours are computed on the render threads (model.ComputeColour must only
    // read the model); the progress display is stepped while they work, so it must only
    // show, and events are pumped only once they are done.
    void Draw(const CSurfaceModel& model, int progressType);

    int GetFieldOfView() const { return m_nFieldOfView; }

private:
    // Viewport, depth test and projection of the target. The contexts of all pictures
    // share one GL context, which every make-current starts afresh, so the view is set
    // again at each one.
    void ApplyView() const;
    void DrawPoints(const CSurfaceModel& model, int progressType);
    // The Earth's halo ring, drawn before the sphere.
    void DrawHalo(const CSurfaceModel& model, const CPlanetGrid& grid) const;
    // Whether a draw's context stayed current, was taken by an event and made current
    // again, or was lost for good.
    enum EContext { ContextKept, ContextRenewed, ContextLost };
    // Makes the target current again if an event took the context away; false when it
    // cannot be.
    bool StayCurrent(CLightSource& light, EContext& context) const;
    // The halo, if the model has one, then the sphere's rows in batches.
    EContext DrawSphere(const CSurfaceModel& model, const CPlanetGrid& grid, int progressType,
                    CLightSource& light);
    // One-pixel points, lighting and the first light on.
    void EnablePointLighting() const;
    // SetPointState and EnablePointLighting: all the state of the point drawing.
    void SetDrawingState(CLightSource& light) const;
    // Model-view, light and blending of the point drawing.
    void SetPointState(CLightSource& light) const;
    // Whether the point (model units, the sphere's centre at the origin) can cover a pixel
    // of the visible area.
    bool CanLandInView(float x, float y, float z) const;
    // What CanLandInView needs of the view, worked out once a draw.
    void SetCullProjection();
    // The GL window rows [first, last) that the sphere's rows from height yLow up to yHigh
    // can land on.
    void RowBand(float yLow, float yHigh, int& first, int& last) const;

    CDib* m_pTarget = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_bClearColour = 1;
    int m_nFieldOfView = 30;
    CRect m_visible;
    CPoint m_origin;
    CPlanetViewport m_cullViewport = {0, 0, 0};
    double m_dCullScale = 1;
    double m_dNear = 0.5; // clipping planes of the projection
    double m_dFar = 6;
    std::unique_ptr<CGLLightPool> m_pLightPool;
    CGLLight* m_pLights[2] = {nullptr, nullptr};
    CProgressMeter m_progress;
    CGLDrawingArea* m_pWatchArea = nullptr;
    CGLRenderWatch* m_pWatch = nullptr; // during a watched draw
};
