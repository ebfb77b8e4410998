// An edit box for a real value with an up-down control beside it. The up-down runs over
// n + 1 integer positions with n at the bottom and 0 at the top, so the up arrow raises the
// value; each step is maximum / n (0.01 for a maximum of 1, 0.08 for 8, 1 for 359).
#pragma once

#include "../document/WinTypes.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

// The up-down control: two arrows and a position within a range whose bottom may be above
// its top. Before it moves it reports where it is and the step it is about to take.
class CUpDown : public QWidget
{
    Q_OBJECT
public:
    explicit CUpDown(QWidget* pParent = nullptr);

    // nBottom is the value at the down end, nTop at the up end.
    void SetRange(int nBottom, int nTop);
    void SetPos(int nPos);
    int GetPos() const { return m_nPos; }
    int GetBottom() const { return m_nBottom; }
    int GetTop() const { return m_nTop; }

    // One step toward the top (bUp) or the bottom, as the arrows and the arrow keys do.
    void Step(bool bUp);

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

signals:
    // About to move from nPos by nDelta; the position changes after the handlers ran.
    void deltaPos(int nPos, int nDelta);

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
    int m_nBottom = 100;
    int m_nTop = 0;
    int m_nPos = 0;
};

// The Up and Down keys in pEdit step pSpin, as the arrows do.
void StepWithArrowKeys(QLineEdit* pEdit, CUpDown* pSpin);

class CSpinEditPair
{
public:
    // onChange is the dialog's OnParamChanged.
    CSpinEditPair(QLineEdit* pEdit, CUpDown* pSpin, std::function<void()> onChange);

    // Takes the range: n = the larger of 100 and the width of the range, scale = n / maximum.
    void SetUp(int nEditId, int nSpinId, double dMin, double dMax);
    // Sets the spin's range and its position for v.
    void ShowValue(double v);
    // Only the position for v (after "Default properties").
    void SetPosition(double v);

    // The spin is about to move from nPos by nDelta: writes the value it moves to, "%5.2f".
    void OnSpin(int nPos, int nDelta);
    // The edit's text changed: moves the spin to match, without touching the text.
    void OnEditChanged();

    int GetEditId() const { return m_nEditId; }
    int GetSpinId() const { return m_nSpinId; }
    int GetCount() const { return m_nCount; }
    double GetScale() const { return m_dScale; }
    QLineEdit* Edit() const { return m_pEdit; }
    CUpDown* Spin() const { return m_pSpin; }

private:
    // The spin position of v; v is first held to the range, so no text can overflow it.
    int PositionOf(double v) const;

    QLineEdit* m_pEdit;
    CUpDown* m_pSpin;
    std::function<void()> m_onChange;
    int m_nEditId = 0;
    int m_nSpinId = 0;
    double m_dMin = 0;
    double m_dMax = 1;
    int m_nCount = 100;
    double m_dScale = 100;
    // Set while the spin writes the edit, so that the edit does not move the spin back.
    BOOL m_bBusy = FALSE;
};
