// The steps of a picture as layers for other editors: each visible step painted alone, as
// a PNG with transparency of the part it changes, listed in layers.json with its rectangle
// and how it goes over what is under it ("normal": by its opacity; "add": its light added).
#pragma once

#include <QList>
#include <QString>

class CSkyloomDoc;

// Writes the layers of doc's visible steps into folder (made when missing): NN-Name.png
// each and layers.json. A step that blends over the picture is painted alone over black
// and over white, which gives each pixel's opacity and colour; one that adds light (star
// field, cluster, lens flare) is its light over black; a Clear is its colour, a paste its
// pixels. A vortex moves the pixels under it, which no layer can: it is written as the
// others and marked so. False, with error, when the folder or a file cannot be written, a
// step cannot be painted, or Escape stopped it (error empty then).
// nSteps (0 the first painted), when given, are the steps to write instead: a hidden one
// among them is written as if shown, and marked hidden in layers.json.
bool WriteSceneLayers(const CSkyloomDoc& doc, const QString& folder, QString& error,
                      const QList<int>& nSteps = {});
