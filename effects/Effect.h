// The base of every canvas tool: the Select tool and each effect. The view talks to all
// tools through the twelve virtual operations below, in this order.
#pragma once

#include "../document/WinTypes.h"
#include "ProgressMeter.h"
#include "EffectValue.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

class CDib;
class CSettingsStore;
class CEffect;
class CPreviewHostDlg; // an effect's properties dialog; lives in the application
class QCursor;
class QPainter;
class QPen;
class QWidget;

// The random-generator state kept by the last preview render; a drag render on the
// canvas starts from it, so it repeats what the preview showed. 0 until a preview ran.
extern DWORD g_nEffectSeed;

// One outline of a tool's rubber band, in top-down picture coordinates.
struct CFeedbackShape
{
    enum EKind { Rectangle, Ellipse, Line };
    EKind kind = Rectangle;
    // Rectangle and Ellipse: the bounds, right and bottom exclusive.
    CRect rect;
    // Line: the two ends.
    CPoint from;
    CPoint to;
};

// The rectangle of the Select tool and the Star Field.
std::vector<CFeedbackShape> RectangleFeedback(const CRect& rect);
// Every other effect: the ellipse in rect and a cross along the effect's rotated axes, a
// half-width and a half-height long.
std::vector<CFeedbackShape> EllipseCrossFeedback(const CRect& rect, double dRotation);
// Rectangles and ellipses with the painter's pen and brush; lines with EffectCrossPen().
void PaintFeedback(QPainter* pPainter, const std::vector<CFeedbackShape>& shapes);
// The effects' own cross pen: dashed, width 1, white.
const QPen& EffectCrossPen();

// Truncates toward zero like a cast, but saturates at the int range and gives 0 for NaN,
// so a counter derived from an absurd parameter cannot overflow.
int TruncToInt(double d);

// The integer centre of [a, b), rounded down also below 0, so a rectangle keeps its centre
// wherever it lies against row or column 0 (plain division would round negatives up).
inline int IntegerCentre(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(sum >= 0 ? sum / 2 : -((1 - sum) / 2));
}

// Shows a failure of a render to the user: a message box with the exclamation icon in the
// program, standard error in the command-line renderer. The host installs the sink (null:
// the text goes to standard error).
using EffectWarningSink = void (*)(const QString& text);
void SetEffectWarningSink(EffectWarningSink pfnSink);
void ShowEffectWarning(const QString& text);

// The bounding box of rect turned by dRotation degrees about its integer centre, corners
// truncated toward zero: what GetAffectedRect adds, and what the rotated effects sweep.
CRect RotatedBoundingBox(const CRect& rect, double dRotation);
// What GetAffectedRect makes of rect for a tool turned by dRotation degrees: rect itself at
// 0, otherwise its union with the rotated bounding box. The canvas saves this area for undo.
CRect AffectedRect(const CRect& rect, double dRotation);

// Loads a tool's cursor by resource id and makes it the current cursor; null when there is
// no such cursor. The canvas installs it; without one tools have no cursor of their own.
using ToolCursorLoader = const QCursor* (*)(int nCursorId);
void SetToolCursorLoader(ToolCursorLoader pfnLoader);

// Makes the modeless properties dialog of effect, parented to pParent. The application
// registers one per tool (by the tool's settings section); the engine itself knows no
// dialogs.
using PropertiesDialogFactory = CPreviewHostDlg* (*)(CEffect& effect, QWidget* pParent);
void RegisterPropertiesDialog(const QString& section, PropertiesDialogFactory pfnFactory);

// Carries a tool's parameters into its properties dialog (bSaveAndValidate FALSE) or reads
// and validates them back (TRUE; FALSE when a field fails, the tool unchanged). The
// application installs it with its dialogs; without one ToDialog and FromDialog do nothing.
using DialogExchange = BOOL (*)(CPreviewHostDlg* pDialog, CEffect& effect, BOOL bSaveAndValidate);
void SetDialogExchange(DialogExchange pfnExchange);

// A parameter that is not stored but can be set by name from the command line.
struct CEffectOption
{
    const char* szName;
    const char* szMeaning;
};

class CEffect
{
public:
    CEffect();
    virtual ~CEffect();
    CEffect(const CEffect&) = delete;
    CEffect& operator=(const CEffect&) = delete;

    // 1. Reads the tool's defaults from its section of the store.
    virtual void LoadDefaults(const CSettingsStore& store);
    // 2. Writes them back.
    virtual void SaveDefaults(CSettingsStore& store);
    // 3. Paints into rect (top-down picture coordinates, normalised). pSecondImage is the
    // document's undo copy (may be null). With bShowProgress the render drives m_progress
    // and pumps events; either way it stops at its next test of g_bCancelRender.
    virtual void Render(CDib& image, const CRect& rect, CDib* pSecondImage, BOOL bShowProgress);
    // 4. Called immediately before every Render (noise effects rebuild their tables here).
    virtual void PrepareRender();
    // 5. Makes the tool's cursor current and returns it (null when there is none).
    virtual const QCursor* SetToolCursor();
    // 6. The tool's modeless properties dialog, or null: made by the factory registered for
    // the tool's section (the application registers them; elsewhere there are none).
    virtual CPreviewHostDlg* CreatePropertiesDialog(QWidget* pParent);
    // 7. Copies the parameters into the dialog.
    virtual void ToDialog(CPreviewHostDlg* pDialog);
    // 8. Copies the dialog's parameters into the tool. FALSE when a field fails validation:
    // the tool keeps its parameters and the caller must not render.
    virtual BOOL FromDialog(CPreviewHostDlg* pDialog);
    // 9. Draws the rubber band for rect.
    virtual void DrawFeedback(QPainter* pPainter, const CRect& rect);
    // 10. Grows rect to everything a render into it can touch.
    virtual void GetAffectedRect(CRect& rect);
    // 11. Whether a left-button press with this tool empties the selection.
    virtual BOOL ClearsSelectionOnClick();
    // 12. Puts back the built-in parameters.
    virtual void ResetDefaults();

    // The parameters the tool keeps in its section, in the order they are saved (empty for
    // a tool without any). The command-line renderer takes its value names from here.
    virtual CEffectValues GetValues();
    // Parameters the command-line renderer can set beyond the stored values (the galaxy's
    // type and orientation): each name with a line of help (empty for most tools).
    virtual std::vector<CEffectOption> GetOptions();
    // Sets one of them from text. False, with the reason in why, when the text does not fit.
    virtual bool SetOption(const QString& name, const QString& text, QString& why);
    // Its present value as SetOption takes it (empty for a name the tool does not have).
    virtual QString GetOption(const QString& name) const;
    // Called after the values named were set from outside a dialog (SetValues): whatever
    // FromDialog would do after such a change. Nothing for most tools.
    virtual void ValuesChanged(const QStringList& names);
    // Called once the table's values were loaded or set: settles what follows from them
    // (the galaxy's gas scale, the Earth's cloud start). Nothing for most tools.
    virtual void ValuesLoaded();
    // The stored parameters outside the table (the galaxy's gas texture) as a load from an
    // empty store gives them. Nothing for most tools.
    virtual void ResetUnlistedValues();
    // Sets the parameters in memory as a store holding just these values would through
    // LoadDefaults: every value of the table at its default (and ResetUnlistedValues), then
    // each named one from its text (ParseEffectValue), then ValuesLoaded and ValuesChanged. False, with the name
    // and the reason in why, when a name is not in the table or a text does not fit; the
    // tool is then unchanged.
    bool SetValues(const QList<QPair<QString, QString>>& values, QString& why);
    // Whether Render draws with OpenGL in an off-screen context of the rectangle's size
    // (the galaxy and the planets), and so paints nothing where none can be made.
    virtual bool UsesOpenGL() const { return false; }
    // Whether Render itself brings back in at the opposite edge whatever it paints past
    // one while m_bWrapAround is set (the star field and cluster wrap each star, the
    // OpenGL effects their whole area). Every other tool is painted again, shifted, once
    // for each edge its area hangs past.
    virtual bool WrapsItself() const { return UsesOpenGL(); }
    // Whether Render places points of light straight onto a sky panorama, by solid angle,
    // when bOnSky is set (the star field); every other effect is painted on a sky through
    // the plane that touches it (see CSkyPatch). Nothing changes on a flat picture.
    virtual bool PaintsOnSkyItself() const { return false; }
    virtual void SetOnSky(bool bOnSky) { (void)bOnSky; }

    // Resource id of the tool's cursor (default: the system arrow).
    int m_nCursorId = 32512;
    // 1 for the Select tool: the view draws its rubber band with the dashed pen.
    int m_bSelectionTool = 0;
    // Rotation of the effect in degrees.
    double m_dRotation = 0.0;
    BOOL m_bClearsSelection = TRUE;
    // The store section of the tool's defaults; empty for the Select tool.
    QString m_strSection;
    CProgressMeter m_progress;
    // Set by the render job while it paints into a wrap-around picture.
    bool m_bWrapAround = false;
    // Row pixels added to a pixel's place where an effect samples noise fixed to the
    // picture (the nebula, the gas): a wrapped copy samples the noise of the copy it
    // repeats, so that all copies are one painting. (0, 0) outside wrapped copies.
    CPoint m_ptNoiseShift;

protected:
    // Values of this tool's section. Reals are kept as "%lf" text.
    double LoadReal(const CSettingsStore& store, const char* szName, const char* szDefault) const;
    void SaveReal(CSettingsStore& store, const char* szName, double dValue) const;
    int LoadInt(const CSettingsStore& store, const char* szName, int nDefault) const;
    void SaveInt(CSettingsStore& store, const char* szName, int nValue) const;

    // After one work unit of a render: step the bar to nDone and pump pending events when due.
    void StepProgress(BOOL bShowProgress, int nDone);
    // The ellipse-and-cross rubber band shared by most effects.
    void DrawEllipseCrossFeedback(QPainter* pPainter, const CRect& rect);
};
