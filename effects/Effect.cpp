#include "Effect.h"

#include "../document/SettingsStore.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <climits>
#include <cmath>

DWORD g_nEffectSeed = 0;

namespace {
// The rubber band's and the affected area's view of a rotation: cosine and negated sine
// (the view's y grows downwards) with the program's own value of pi, and the integer centre.
struct CViewRotation
{
    CViewRotation(const CRect& rect, double dDegrees)
        : c(std::cos(dDegrees * 3.141592654 / 180)),
          s(-std::sin(dDegrees * 3.141592654 / 180)),
          cx((rect.left + rect.right) / 2),
          cy((rect.top + rect.bottom) / 2)
    {
    }
    double c, s;
    int cx, cy;
};

// A rectangle in the form QPainter outlines it: GDI draws the outline inside
// right/bottom, QPainter's aliased 1-pixel pen one pixel beyond them.
QRect OutlineRect(const CRect& r)
{
    return QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1);
}
}

std::vector<CFeedbackShape> RectangleFeedback(const CRect& rect)
{
    CFeedbackShape shape;
    shape.kind = CFeedbackShape::Rectangle;
    shape.rect = rect;
    return {shape};
}

std::vector<CFeedbackShape> EllipseCrossFeedback(const CRect& rect, double dRotation)
{
    std::vector<CFeedbackShape> shapes(3);
    shapes[0].kind = CFeedbackShape::Ellipse;
    shapes[0].rect = rect;

    const CViewRotation rot(rect, dRotation);
    const double c = rot.c, s = rot.s;
    const int cx = rot.cx, cy = rot.cy;
    const int hw = rect.right - cx;
    const int hh = cy - rect.top;
    const int wx = static_cast<int>(hw * c);
    const int wy = static_cast<int>(hw * s);
    const int hx = static_cast<int>(hh * s);
    const int hy = static_cast<int>(hh * c);
    shapes[1].kind = CFeedbackShape::Line;
    shapes[1].from = CPoint(cx + wx, cy + wy);
    shapes[1].to = CPoint(cx - wx, cy - wy);
    shapes[2].kind = CFeedbackShape::Line;
    shapes[2].from = CPoint(cx - hx, cy + hy);
    shapes[2].to = CPoint(cx + hx, cy - hy);
    return shapes;
}

const QPen& EffectCrossPen()
{
    // One screen pixel wide at any zoom of the canvas.
    static const QPen pen = [] {
        QPen dashed(QBrush(Qt::white), 1, Qt::DashLine);
        dashed.setCosmetic(true);
        return dashed;
    }();
    return pen;
}

void PaintFeedback(QPainter* pPainter, const std::vector<CFeedbackShape>& shapes)
{
    if (!pPainter)
        return;
    for (const CFeedbackShape& shape : shapes) {
        switch (shape.kind) {
        case CFeedbackShape::Rectangle:
            pPainter->drawRect(OutlineRect(shape.rect));
            break;
        case CFeedbackShape::Ellipse:
            pPainter->drawEllipse(OutlineRect(shape.rect));
            break;
        case CFeedbackShape::Line: {
            const QPen previous = pPainter->pen();
            pPainter->setPen(EffectCrossPen());
            pPainter->drawLine(shape.from.x, shape.from.y, shape.to.x, shape.to.y);
            pPainter->setPen(previous);
            break;
        }
        }
    }
}

int TruncToInt(double d)
{
    if (!(d == d))
        return 0;
    if (d >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (d <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(d);
}

CEffect::CEffect() = default;

CEffect::~CEffect() = default;

// Tools that describe their parameters in GetValues are loaded and saved from the table;
// for the others (an empty table) these do nothing.
void CEffect::LoadDefaults(const CSettingsStore& store)
{
    LoadEffectValues(store, m_strSection, GetValues());
    ValuesLoaded();
}

void CEffect::SaveDefaults(CSettingsStore& store)
{
    SaveEffectValues(store, m_strSection, GetValues());
}

void CEffect::Render(CDib&, const CRect&, CDib*, BOOL) {}

void CEffect::PrepareRender() {}

const QCursor* CEffect::SetToolCursor()
{
    return GetEffectHost().LoadToolCursor(m_nCursorId);
}

CPreviewHostDlg* CEffect::CreatePropertiesDialog(QWidget* pParent)
{
    return GetEffectHost().CreatePropertiesDialog(*this, pParent);
}

void CEffect::ToDialog(CPreviewHostDlg* pDialog)
{
    if (pDialog)
        GetEffectHost().ExchangeWithDialog(pDialog, *this, FALSE);
}

BOOL CEffect::FromDialog(CPreviewHostDlg* pDialog)
{
    return pDialog ? GetEffectHost().ExchangeWithDialog(pDialog, *this, TRUE) : TRUE;
}

void CEffect::DrawFeedback(QPainter* pPainter, const CRect& rect)
{
    PaintFeedback(pPainter, RectangleFeedback(rect));
}

CRect RotatedBoundingBox(const CRect& rect, double dRotation)
{
    const CViewRotation rot(rect, dRotation);
    const double c = rot.c, s = rot.s;
    const int cx = rot.cx, cy = rot.cy;
    CRect r = rect;
    r.OffsetRect(-cx, -cy);
    const double corners[4][2] = {
        {double(r.left), double(r.top)},
        {double(r.left), double(r.bottom)},
        {double(r.right), double(r.top)},
        {double(r.right), double(r.bottom)},
    };
    double minX = 32767, minY = 32767, maxX = -32767, maxY = -32767;
    for (const auto& p : corners) {
        const double x = p[0] * c - p[1] * s;
        const double y = p[0] * s + p[1] * c;
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    CRect rotated(TruncToInt(minX), TruncToInt(minY), TruncToInt(maxX), TruncToInt(maxY));
    rotated.OffsetRect(cx, cy);
    return rotated;
}

CRect AffectedRect(const CRect& rect, double dRotation)
{
    if (dRotation == 0)
        return rect;
    CRect grown;
    grown.UnionRect(rect, RotatedBoundingBox(rect, dRotation));
    return grown;
}

void CEffect::GetAffectedRect(CRect& rect)
{
    rect = AffectedRect(rect, m_dRotation);
}

CEffectValues CEffect::GetValues()
{
    return {};
}

std::vector<CEffectOption> CEffect::GetOptions()
{
    return {};
}

bool CEffect::SetOption(const QString&, const QString&, QString& why)
{
    why = QStringLiteral("is not a parameter of this tool");
    return false;
}

void CEffect::ValuesChanged(const QStringList&) {}

QString CEffect::GetOption(const QString&) const
{
    return QString();
}

void CEffect::ValuesLoaded() {}

void CEffect::ResetUnlistedValues() {}

bool CEffect::SetValues(const QList<QPair<QString, QString>>& values, QString& why)
{
    const CEffectValues table = GetValues();
    std::vector<std::pair<const CEffectValue*, double>> parsed;
    QStringList names;
    for (const auto& value : values) {
        const CEffectValue* pValue = FindEffectValue(table, value.first);
        if (!pValue) {
            why = QStringLiteral("%1 has no value \"%2\"").arg(m_strSection, value.first);
            return false;
        }
        double d = 0;
        QString reason;
        if (!ParseEffectValue(*pValue, value.second, d, reason)) {
            why = QStringLiteral("%1 %2 %3").arg(m_strSection, value.first, reason);
            return false;
        }
        parsed.emplace_back(pValue, d);
        names << value.first;
    }
    ResetEffectValues(table);
    ResetUnlistedValues();
    for (const auto& value : parsed)
        SetEffectValue(*value.first, value.second);
    ValuesLoaded();
    ValuesChanged(names);
    return true;
}

BOOL CEffect::ClearsSelectionOnClick()
{
    return m_bClearsSelection;
}

void CEffect::ResetDefaults()
{
    m_dRotation = 0.0;
    ResetEffectValues(GetValues());
}

double CEffect::LoadReal(const CSettingsStore& store, const char* szName,
                         const char* szDefault) const
{
    return store.GetReal(m_strSection, QString::fromLatin1(szName), szDefault);
}

void CEffect::SaveReal(CSettingsStore& store, const char* szName, double dValue) const
{
    store.WriteReal(m_strSection, QString::fromLatin1(szName), dValue);
}

int CEffect::LoadInt(const CSettingsStore& store, const char* szName, int nDefault) const
{
    return store.GetInt(m_strSection, QString::fromLatin1(szName), nDefault);
}

void CEffect::SaveInt(CSettingsStore& store, const char* szName, int nValue) const
{
    store.WriteInt(m_strSection, QString::fromLatin1(szName), nValue);
}

void CEffect::StepProgress(BOOL bShowProgress, int nDone)
{
    if (!bShowProgress)
        return;
    m_progress.Step(nDone);
    PumpPendingMessagesWhenDue();
}

void CEffect::DrawEllipseCrossFeedback(QPainter* pPainter, const CRect& rect)
{
    PaintFeedback(pPainter, EllipseCrossFeedback(rect, m_dRotation));
}
