// GL light numbers, the application's light list and how the light settings become the
// parameters of a GL light.
#pragma once

#include "document/WinTypes.h"

#include <QString>

#include <memory>
#include <vector>

// Stands for GL light GL_LIGHT0 + its number.
class CGLLight
{
public:
    int GetNumber() const { return m_nNumber; }
    void Enable(BOOL enable);
    // Four floats each, as glLightfv takes them.
    void SetAmbient(const float rgba[4]);
    void SetDiffuse(const float rgba[4]);
    void SetSpecular(const float rgba[4]);
    // In the eye coordinates of the model-view matrix current at the call; w = 0 makes it
    // a directional light.
    void SetPosition(const float xyzw[4]);

private:
    friend class CGLLightPool;
    explicit CGLLight(int number) : m_nNumber(number) {}
    int m_nNumber;
};

// Hands out light numbers, the lowest free first.
class CGLLightPool
{
public:
    static constexpr int kLightCount = 3377;

    CGLLightPool();
    ~CGLLightPool();
    CGLLightPool(const CGLLightPool&) = delete;
    CGLLightPool& operator=(const CGLLightPool&) = delete;

    // Null when every number is taken (or memory runs out).
    CGLLight* Allocate();
    // Frees the light's number and deletes it; lights of another pool are left alone.
    void Release(CGLLight* light);
    void EnableLighting(BOOL enable);
    int GetLightCount() const { return static_cast<int>(m_lights.size()); }

private:
    std::vector<bool> m_taken;
    std::vector<std::unique_ptr<CGLLight>> m_lights;
};

// One light of the scene as the user sets it; colours are RGBA.
class CLightSource
{
public:
    explicit CLightSource(const QString& name = QString()) : m_strName(name) {}

    const float* Ambient() const { return m_ambient; }
    const float* Specular() const { return m_specular; }
    // The diffuse colour with red, green and blue times factor, alpha 1; the array is
    // scratch space of this light, valid until the next call.
    const float* ScaledDiffuse(double factor);

    QString m_strName;
    float m_diffuse[4] = {1, 1, 1, 1};
    float m_ambient[4] = {0, 0, 0, 1};
    float m_specular[4] = {1, 1, 1, 1};
    float m_scaledDiffuse[4] = {0, 0, 0, 1};
};

// The application's lights, shared by every lit scene; the canvas view fills it when it
// starts and empties it when it goes.
extern std::vector<std::unique_ptr<CLightSource>> g_lightList;
// Adds the default light "Sun"; FALSE when memory runs out.
BOOL CreateDefaultLight();
void DeleteLights();

// Sets the GL light from the source and the light settings: intensity in percent scales
// the diffuse colour, the orientation (degrees) turns the light about the vertical axis
// and the elevation (50 is level) tilts it. Call it with the identity model-view matrix.
void ApplyLighting(CGLLight& light, CLightSource& source, int lightOrient, int lightInten,
                   int lightElevation);
// The same with the application's settings g_nLightOrient, g_nLightInten and
// g_nLightElevation.
void ApplyLighting(CGLLight& light, CLightSource& source);
// The light's direction for the settings, as ApplyLighting sets it: (x, y, z, 0).
void LightDirection(int lightOrient, int lightElevation, float xyzw[4]);
