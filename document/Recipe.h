// How a picture was made: where it began and every render step applied since, in order,
// with everything a step needs to be painted again (effect, rectangle, seed, every value
// by name). The document keeps one; PNG files carry it as text, and skyloom-render
// --replay paints it again.
#pragma once

#include "WinTypes.h"

#include <QList>
#include <QPair>
#include <QString>

struct CRecipeStep
{
    // The effect's settings section; empty for a change by hand (see strEdit).
    QString strEffect;
    CRect rect; // top-down picture pixels, right and bottom exclusive
    DWORD nSeed = 0;
    // Every stored value and option, as skyloom-render's --set NAME=TEXT takes them.
    QList<QPair<QString, QString>> values;
    // The light of the lit effects when the step ran.
    bool bHasLight = false;
    int nLightOrient = 0;
    int nLightInten = 0;
    int nLightElevation = 0;
    // A change no recipe can repeat ("Clear", "Paste"): kept so that a replay can say the
    // picture it makes differs from the one saved. A Clear keeps its rectangle and, as the
    // value "Color", the colour it filled with, so that the window can repaint it.
    QString strEdit;
    // Kept in the scene but skipped when painting.
    bool bHidden = false;
};

// What kind of picture a step paints on: one with edges, one that wraps around them, or a
// whole sky (which wraps around by its own geometry).
struct CPictureKind
{
    bool bWrapAround = false;
    bool bSkySphere = false;
};

class CRecipe
{
public:
    enum EStart {
        Unknown,    // nothing is known of the first picture
        NewPicture, // a new picture of m_size in m_nBackground
        OpenedFile, // a picture read from m_strOpened
    };

    static CRecipe ForNewPicture(CSize size, DWORD nBackground);
    static CRecipe ForOpenedFile(const QString& strFileName);
    // A new sky sphere: a panorama of 2 * nHeight x nHeight in nBackground.
    static CRecipe ForNewSky(int nHeight, DWORD nBackground);

    // As JSON text, the form PNG files carry.
    QString ToText() const;
    // Reads ToText's form. False, with one line in error, for text that is not a recipe
    // of ours or is damaged; the recipe is then left as it was.
    static bool FromText(const QString& text, CRecipe& recipe, QString& error);

    EStart m_start = Unknown;
    CSize m_size;
    DWORD m_nBackground = 0; // packed 0x00RRGGBB
    QString m_strOpened;     // the file's name, without its folder
    // The picture is a whole sky: a 2:1 panorama on which every step paints a patch of the
    // sphere (see CSkyPatch). Only a new picture of twice its height in width is one.
    bool m_bSkySphere = false;
    QList<CRecipeStep> m_steps;
    // The picture wraps around its edges ("wrap": true; recipes without it do not).
    bool m_bWrapAround = false;

    CPictureKind Kind() const { return {m_bWrapAround, m_bSkySphere}; }
};

// More steps than anyone paints by hand; a longer recipe is refused as damaged.
constexpr int kMaxRecipeSteps = 100000;
