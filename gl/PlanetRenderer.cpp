#include "PlanetRenderer.h"

#include "Curves.h"
#include "GLContext.h"
#include "PlanetGrid.h"
#include "GLLight.h"
#include "GLRenderWatch.h"
#include "SurfaceModel.h"
#include "document/Dib.h"
#include "effects/RenderThreads.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// Set while a draw runs: a preview pumped from inside a canvas draw must not start another.
bool s_bDrawing = false;

// A grid point ready for GL: colour with its edge fade, normal and position.
struct CPlanetPoint
{
    float colour[4];
    float normal[3];
    float position[3];
};

// Grid points per batch of rows the render threads compute ahead: a few milliseconds of
// surface colours.
constexpr size_t kPointsPerBatch = 16384;
// Memory for the rows computed ahead while the Earth's halo is drawn: a tenth of the rows of
// a 2048-pixel sphere, about what the render threads make in the time the halo takes.
constexpr size_t kHaloAheadBytes = 16 << 20;

// Degrees that give a usable perspective; a damaged setting must not make it singular.
int ClampFieldOfView(int angle)
{
    return angle < 1 ? 1 : (angle > 179 ? 179 : angle);
}

}

CPlanetRenderer::CPlanetRenderer() : m_pLightPool(std::make_unique<CGLLightPool>())
{
}

CPlanetRenderer::~CPlanetRenderer() = default;

void CPlanetRenderer::Setup(CDib* pTarget, int width, int height, int fieldOfView,
                            BOOL bClearColour, BOOL bMakeCurrent)
{
    m_pTarget = pTarget;
    m_nWidth = width;
    m_nHeight = height;
    m_nFieldOfView = ClampFieldOfView(fieldOfView);
    m_bClearColour = bClearColour;
    m_visible = CRect(0, 0, width, height);
    m_origin = CPoint(0, 0);
    m_pWatchArea = nullptr;
    m_dNear = 0.5;
    m_dFar = 6;
    // Every make-current starts the shared context afresh and each draw sets its view
    // itself, so no pixels go to GL and back here: only the lights are taken.
    if (!bMakeCurrent || !pTarget || !pTarget->GetGLContext())
        return;
    if (!m_pLights[0]) {
        m_pLights[0] = m_pLightPool->Allocate();
        m_pLights[1] = m_pLightPool->Allocate();
    }
}

void CPlanetRenderer::SetFieldOfView(int angle)
{
    m_nFieldOfView = ClampFieldOfView(angle);
    m_dNear = 0.01f;
    m_dFar = 5;
    if (!m_pTarget)
        return;
    CGLCurrentScope scope(*m_pTarget);
    if (scope.IsCurrent())
        ApplyView();
}

void CPlanetRenderer::ApplyView() const
{
    glClearDepth(1);
    glEnable(GL_DEPTH_TEST);
    // The sphere keeps its shape in the centred square of the target.
    const CPlanetViewport v = PlanetViewport(m_nWidth, m_nHeight);
    glViewport(v.x - m_origin.x, v.y - m_origin.y, v.side, v.side);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_nFieldOfView, 1, m_dNear, m_dFar);
    glMatrixMode(GL_MODELVIEW);
}

void CPlanetRenderer::SetCullProjection()
{
    // The projection of SetPointState and ApplyView: the sphere 5 units in front of the
    // eye, a perspective of the field of view, the centred square viewport.
    m_cullViewport = PlanetViewport(m_nWidth, m_nHeight);
    m_dCullScale = 1 / std::tan(m_nFieldOfView * 3.14159265358979323846 / 360);
}

void CPlanetRenderer::RowBand(float yLow, float yHigh, int& first, int& last) const
{
    // Points of a row lie between depths 4 and 6 (the sphere of radius 1 at distance 5).
    const CPlanetViewport& v = m_cullViewport;
    auto windowY = [&](float y, double depth) {
        return v.y + (m_dCullScale * y / depth + 1) * v.side / 2;
    };
    const double low = std::min(windowY(yLow, 4), windowY(yLow, 6));
    const double high = std::max(windowY(yHigh, 4), windowY(yHigh, 6));
    // Slack for the points' size and the driver's rounding, as in CanLandInView.
    first = static_cast<int>(std::floor(std::max(low - 2, -1.0)));
    last = static_cast<int>(std::ceil(std::min(high + 3, double(m_nHeight) + 1)));
}

bool CPlanetRenderer::CanLandInView(float x, float y, float z) const
{
    const CPlanetViewport& v = m_cullViewport;
    const double f = m_dCullScale;
    const double depth = 5.0 - z;
    const double wx = v.x + (f * x / depth + 1) * v.side / 2;
    const double wy = v.y + (f * y / depth + 1) * v.side / 2;
    // Two pixels of slack cover the rounding of the driver's own arithmetic.
    constexpr double kSlack = 2;
    return wx >= m_visible.left - kSlack && wx <= m_visible.right + kSlack &&
           wy >= m_visible.top - kSlack && wy <= m_visible.bottom + kSlack;
}

void CPlanetRenderer::Draw(const CSurfaceModel& model, int progressType)
{
    if (!m_pTarget || m_nWidth <= 0 || m_nHeight <= 0 || !m_pLights[0])
        return;
    CGLCurrentScope scope(*m_pTarget);
    if (!scope.IsCurrent())
        return;
    ApplyView();
    SetCullProjection();
    DrawPoints(model, progressType);
}

void CPlanetRenderer::SetPointState(CLightSource& light) const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The light's position is taken in eye coordinates, before the sphere is moved away.
    ApplyLighting(*m_pLights[0], light);
    glEnable(GL_NORMALIZE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    // The sphere of radius 1 sits 5 units in front of the eye.
    glTranslatef(0, 0, -5);
}

namespace {

// Holds the re-entry flag and the pushed model-view matrix for one draw, and gives both
// back however the draw ends. A draw that lost its context has no matrix left to pop.
class CPointDrawScope
{
public:
    CPointDrawScope() : m_bEntered(!s_bDrawing)
    {
        if (!m_bEntered)
            return;
        s_bDrawing = true;
        glPushMatrix();
    }
    ~CPointDrawScope()
    {
        if (!m_bEntered)
            return;
        if (m_bStackIntact)
            glPopMatrix();
        s_bDrawing = false;
    }
    CPointDrawScope(const CPointDrawScope&) = delete;
    CPointDrawScope& operator=(const CPointDrawScope&) = delete;

    bool Entered() const { return m_bEntered; }
    void StackLost() { m_bStackIntact = false; }

private:
    bool m_bEntered;
    bool m_bStackIntact = true;
};

// Sends count points from first on to GL as arrays, in their order: the pixels are those
// of the same points sent one by one, for a fraction of the calls.
void DrawPointArray(const std::vector<CPlanetPoint>& points, size_t first, size_t count)
{
    if (count == 0)
        return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    constexpr GLsizei stride = sizeof(CPlanetPoint);
    const CPlanetPoint& start = points[first];
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, start.colour);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, start.normal);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, start.position);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(count));
    glPopClientAttrib();
}

// The points of the sphere's row at height y that canLand(position) keeps, with their
// surface colours and the rim's fade, in the walk's order. The model colours them a chunk
// at a time, so that it can compute their noise for several points at once.
template <class CanLand>
void MakeRowPoints(const CSurfaceModel& model, const CPlanetGrid& grid, float y, CanLand canLand,
                   std::vector<CPlanetPoint>& out)
{
    out.clear();
    constexpr size_t kChunk = 256;
    SurfacePoint chunk[kChunk];
    float radius[kChunk];
    size_t count = 0;
    auto colourChunk = [&] {
        model.ComputeColours(chunk, count);
        for (size_t i = 0; i < count; ++i) {
            const SurfacePoint& pt = chunk[i];
            CPlanetPoint p;
            pt.colour.ToUnit(p.colour);
            if (radius[i] > grid.inner)
                p.colour[3] = static_cast<float>(1 - SmoothStep(grid.inner, 1, radius[i]));
            std::copy(pt.normal, pt.normal + 3, p.normal);
            std::copy(pt.position, pt.position + 3, p.position);
            out.push_back(p);
        }
        count = 0;
    };
    WalkPlanetRow(grid, y, [&](float x, float yRow, float r) {
        SurfacePoint pt = SurfacePoint::OnSphere(x, yRow, r);
        if (!canLand(pt.position))
            return;
        chunk[count] = pt;
        radius[count] = r;
        if (++count == kChunk)
            colourChunk();
    });
    colourChunk();
}

}

void CPlanetRenderer::SetDrawingState(CLightSource& light) const
{
    SetPointState(light);
    EnablePointLighting();
}

void CPlanetRenderer::EnablePointLighting() const
{
    glPointSize(1);
    m_pLightPool->EnableLighting(TRUE);
    m_pLights[0]->Enable(TRUE);
}

void CPlanetRenderer::DrawPoints(const CSurfaceModel& model, int progressType)
{
    CPointDrawScope scope;
    if (!scope.Entered())
        return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (g_lightList.empty())
        return;
    CLightSource& light = *g_lightList[0];
    SetPointState(light);
    glClearColor(0, 0, 0, 1);
    // Without the colour clear the points land on the pasted background.
    glClear(m_bClearColour ? GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT : GL_DEPTH_BUFFER_BIT);
    glScalef(1, 1, 1);
    EnablePointLighting();

    const CPlanetGrid grid(m_nWidth, m_nHeight);
    const bool showProgress = progressType == ProgressMeter;
    if (showProgress)
        m_progress.Begin(grid.rows);
    std::optional<CGLRenderWatch> watch;
    if (showProgress && m_pWatchArea)
        m_pWatch = &watch.emplace(*m_pWatchArea, m_progress);
    const EContext context = DrawSphere(model, grid, progressType, light);
    m_pWatch = nullptr;
    watch.reset();
    if (showProgress)
        m_progress.End();
    if (context != ContextLost)
        glFlush();
    if (context != ContextKept)
        scope.StackLost();
}

void CPlanetRenderer::DrawHalo(const CSurfaceModel& model, const CPlanetGrid& grid) const
{
    float haloColour[4];
    model.GetHaloColour().ToUnit(haloColour);
    // A ring of a large planet has a million points: they go in batches.
    std::vector<CPlanetPoint> points;
    points.reserve(kPointsPerBatch);
    WalkPlanetHalo(grid, [&](float x, float y, float r) {
        if (!CanLandInView(x, y, 0))
            return;
        CPlanetPoint p = {{haloColour[0], haloColour[1], haloColour[2], 1}, {x, y, 0}, {x, y, 0}};
        if (r >= 1)
            p.colour[3] = static_cast<float>(1 - SmoothStep(1, grid.outer, r));
        points.push_back(p);
        if (points.size() == kPointsPerBatch) {
            DrawPointArray(points, 0, points.size());
            // Binned points wait for a flush: the whole ring unflushed held one scene of
            // a hundred megabytes and slowed every draw after it.
            glFlush();
            points.clear();
        }
    });
    DrawPointArray(points, 0, points.size());
}

bool CPlanetRenderer::StayCurrent(CLightSource& light, EContext& context) const
{
    // Events pumped between rows (and a progress display) may draw elsewhere (a preview in
    // another picture), which takes the shared GL context away: the rows so far are then
    // read back into the target, and it is made current again with the drawing state
    // restored (but not the matrix pushed before the draw).
    CGLOffscreenContext* pContext = m_pTarget->GetGLContext();
    if (pContext && pContext->IsCurrent())
        return true;
    if (!pContext || !pContext->MakeCurrent())
        return false;
    context = ContextRenewed;
    ApplyView();
    SetDrawingState(light);
    return true;
}

CPlanetRenderer::EContext CPlanetRenderer::DrawSphere(const CSurfaceModel& model,
                                                      const CPlanetGrid& grid, int progressType,
                                                      CLightSource& light)
{
    EContext context = ContextKept;
    // The surface colours are computed on the render threads ahead of the rows this thread
    // hands to GL in the walk's order: the same points with the same colours in the same
    // sequence as a walk on one thread.
    const std::vector<float> heights = PlanetRowHeights(grid);
    const int nRows = static_cast<int>(heights.size());
    const int batch = std::max(1, static_cast<int>(kPointsPerBatch) / std::max(1, grid.rows));
    const size_t rowBytes = sizeof(CPlanetPoint) * (static_cast<size_t>(grid.rows) + 2);
    // Rows made ahead: the batch being drawn and the next; while the halo is drawn, as many
    // more as fit in kHaloAheadBytes, so that the render threads are not idle meanwhile.
    int ahead = 2 * batch;
    if (model.HasHalo())
        ahead = std::max(ahead,
                         static_cast<int>(std::min<size_t>(nRows, kHaloAheadBytes / rowBytes)));
    std::vector<std::vector<CPlanetPoint>> rowPoints(static_cast<size_t>(ahead));
    auto rowOf = [&](int row) -> std::vector<CPlanetPoint>& {
        return rowPoints[static_cast<size_t>(row % ahead)];
    };
    // Room for a whole row made here: the render threads then never allocate (each would
    // take an arena of its own).
    for (auto& row : rowPoints)
        row.reserve(static_cast<size_t>(grid.rows) + 2);
    auto computeRow = [&](int row) {
        MakeRowPoints(model, grid, heights[static_cast<size_t>(row)],
                      [this](const float* p) { return CanLandInView(p[0], p[1], p[2]); },
                      rowOf(row));
    };
    CRowTeam team; // after rowPoints: its helpers are done before rowPoints goes

    // Rows [0, made) are made or being made; those not yet drawn never share a slot.
    int made = std::min(nRows, model.HasHalo() ? ahead : batch);
    team.Start(0, made, computeRow);
    if (model.HasHalo()) {
        DrawHalo(model, grid);
        if (m_pWatch)
            m_pWatch->Touched(0, m_nHeight);
    }
    team.Finish();
    for (int first = 0; first < nRows && !g_bCancelRender; first += batch) {
        const int last = std::min(first + batch, nRows);
        const int next = std::min(last + batch, nRows);
        if (made < next) {
            team.Start(made, next, computeRow);
            made = next;
        }
        if (m_pWatch) {
            int bandFirst, bandLast;
            RowBand(heights[static_cast<size_t>(first)], heights[static_cast<size_t>(last - 1)],
                    bandFirst, bandLast);
            m_pWatch->Touched(bandFirst, bandLast);
        }
        for (int row = first; row < last; ++row) {
            if (progressType != ProgressNone && g_bCancelRender)
                break;
            const auto& points = rowOf(row);
            DrawPointArray(points, 0, points.size());
            if (progressType == ProgressNone)
                continue;
            // Row by row, so that the progress and a cancel see each row as it is drawn.
            // Events may change the surface (a preview prepares its render): the rows
            // ahead are finished before any is dispatched.
            if (IsPumpDue()) {
                team.Finish();
                if (m_pWatch)
                    m_pWatch->ShowWhenDue();
                PumpPendingMessages();
            }
            if (progressType == ProgressMeter)
                m_progress.Step(std::min(row + 1, grid.rows));
            if (!StayCurrent(light, context))
                return ContextLost;
        }
        // The software renderer keeps every point binned until a flush.
        glFlush();
        team.Finish();
    }
    return context;
}
