#include "PickColor.h"

#include "../document/Settings.h"
#include "WindowHost.h"

#include <QColorDialog>

namespace {

QColor ToQColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

COLORREF ToColorRef(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

} // namespace

BOOL PickColor(QWidget* pParent, COLORREF& color)
{
    // Qt keeps one set of custom colours for the whole process; ours are loaded into it
    // before and read back after, whichever button ended the chooser.
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, ToQColor(g_crCustomColors[i]));

    QColorDialog dlg(ToQColor(color), pParent);
    const int result = GetWindowHost().RunColorChooser(dlg);

    for (int i = 0; i < 16; ++i)
        g_crCustomColors[i] = ToColorRef(QColorDialog::customColor(i));

    if (result != QDialog::Accepted || !dlg.selectedColor().isValid())
        return FALSE;
    color = ToColorRef(dlg.selectedColor());
    return TRUE;
}
