// What View > Sky Preview draws: the sky sphere seen from its centre, as a camera standing
// inside it sees it, drawn with OpenGL into a picture of its own (the process-wide
// off-screen context, as the other previews draw). The window (view/SkyPreviewWnd.h) only
// shows the picture and turns gestures into the view's angles.
#pragma once

#include "document/Dib.h"

class CSkyPreviewScene
{
public:
    // The narrowest and widest field of view, in degrees.
    static constexpr double kMinFieldOfView = 20;
    static constexpr double kMaxFieldOfView = 120;

    CSkyPreviewScene() = default;
    ~CSkyPreviewScene();
    CSkyPreviewScene(const CSkyPreviewScene&) = delete;
    CSkyPreviewScene& operator=(const CSkyPreviewScene&) = delete;

    // The picture drawn into, width x height (at least 1 x 1). Black until the first Paint,
    // and for good without OpenGL.
    void Resize(int width, int height);
    const CDib& GetImage() const { return m_image; }

    // The panorama shown (not owned; it must outlive the scene or be replaced): taken again
    // at the next Paint, so a change of its pixels shows once Paint runs.
    void SetPanorama(const CDib* pPanorama);

    // Where the camera looks: yaw is the longitude in the middle of the picture (any value,
    // taken modulo 360), pitch its latitude (held within -90 to 90), the field of view the
    // angle from the picture's top to its bottom (held within the limits above).
    void SetView(double dYaw, double dPitch, double dFieldOfView);
    double Yaw() const { return m_dYaw; }
    double Pitch() const { return m_dPitch; }
    double FieldOfView() const { return m_dFieldOfView; }

    // Draws the sphere into the picture. FALSE, leaving the picture as it was, when OpenGL is
    // missing or busy (a render holds it): the caller paints again later.
    bool Paint();

private:
    bool UploadPanorama();
    void DeleteTexture();

    CDib m_image;
    const CDib* m_pPanorama = nullptr;
    bool m_bPanoramaChanged = false;
    unsigned m_texture = 0;
    double m_dYaw = 180;
    double m_dPitch = 0;
    double m_dFieldOfView = 75;
};
