// Painting on a sky sphere: a 2:1 panorama whose columns are longitude and rows latitude.
// A rectangle dragged on it means a patch of sky: its centre a direction, its width and
// height angles measured there. An effect paints the patch in the plane that touches the
// sphere at that direction (a gnomonic projection, as a camera looking there sees it), at
// the resolution the sphere has, and what it changed is carried onto the sphere pixel by
// pixel: a planet stays round and a galaxy keeps its shape at every latitude, across the
// panorama's left and right edges and over a pole.
#pragma once

#include "WinTypes.h"
#include "../imagefile/Skybox.h"

#include <QList>
#include <QPolygonF>

#include <functional>

class CDib;

class CSkyPatch
{
public:
    // The patch a rectangle (top-down panorama pixels) dragged on a panorama of size means.
    // Its centre's latitude is held within the poles; each angle is held below 160 degrees,
    // where the tangent plane still shows it.
    static CSkyPatch FromRect(const CRect& rect, CSize panorama);

    // The rectangle the effect paints in the plane: (0, 0) to the patch's size in plane
    // pixels, its centre touching the sphere.
    CRect PlaneRect() const { return CRect(0, 0, m_nPlaneWidth, m_nPlaneHeight); }
    // The direction through a point of the plane (pixels, top-down, from PlaneRect's
    // corner; anywhere on the plane, also outside PlaneRect).
    CSkyDirection PlaneDirection(double px, double py) const;
    // Where a direction meets the plane; false for a direction facing away from the patch,
    // or seen more steeply than dLeast (the cosine of its angle from the centre) allows.
    bool PlanePoint(const CSkyDirection& d, double& px, double& py, double dLeast = 1e-9) const;

    // Where a closed outline drawn in the plane (plane pixels, its last point joined to its
    // first) lands on the panorama: lines in panorama pixels (top-down, continuous), each
    // step a few pixels long, cut where the outline crosses the panorama's left and right
    // edges, so that no line runs across the picture.
    QList<QPolygonF> OutlineOnPanorama(const QPolygonF& outline) const;

    // The panorama's rows (top-down, the whole width) holding every pixel whose direction
    // meets the plane within area (plane pixels).
    CRect SphereRows(const CRect& area) const;
    // Those rows narrowed to the columns those pixels lie in: what a render of the patch may
    // change. Columns from x0 up to x1 (x1 - x0 <= the panorama's width) may run past either
    // edge, where they come in again at the other; the whole width for an area around a pole.
    void SphereColumns(const CRect& area, int& x0, int& x1) const;
    // SphereRows narrowed to SphereColumns where they do not run past an edge.
    CRect SphereArea(const CRect& area) const;

    // Paints the patch: area (plane pixels, holding PlaneRect and whatever the effect
    // reaches past it) is filled from the sphere, render paints into it (its rectangle is
    // PlaneRect moved into the picture it is given), and each panorama pixel whose
    // direction meets area takes the change render made there. Pixels render left alone
    // stay exactly as they were. False when the plane's picture cannot be made.
    // render also gets the plane as it was before, as a render's second picture.
    bool Paint(CDib& sphere, const CRect& area,
               const std::function<void(CDib& plane, CDib& before, const CRect& rect)>& render)
        const;

    // Fills plane (of area's size) with the sky it shows there, and pCopy (of the same size)
    // alike when given.
    void FillPlane(const CDib& sphere, const CRect& area, CDib& plane, CDib* pCopy = nullptr) const;

    CSkyDirection m_centre{0, 0, 1};
    CSkyDirection m_east{1, 0, 0};
    CSkyDirection m_north{0, 1, 0};
    // Plane pixels per unit of the plane (the tangent of the angle from the centre).
    double m_dScale = 1;
    int m_nPlaneWidth = 1;
    int m_nPlaneHeight = 1;
    int m_nSphereWidth = 2;
    int m_nSphereHeight = 1;

private:
    // Each panorama pixel under area takes the change between before and plane there.
    void CarryBack(CDib& sphere, const CRect& area, const CDib& plane, const CDib& before) const;
    void PanoramaPointOf(const CRect& area, double i, double j, double& u, double& v) const;
    void FillCell(const CDib& sphere, const CRect& area, const double (&u)[4], const double (&v)[4],
                  bool bExact, int j, int i0, int i1, double fy, BYTE* pOut) const;
};
