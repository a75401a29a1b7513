#pragma once

#include <QFont>
#include <QRect>

// Dialog units, as the classic dialog manager defines them for a dialog's
// font: a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its height.

struct DialogBaseUnits
{
    int cx = 0; // average character width in pixels
    int cy = 0; // character height in pixels
};

// The font of a dialog template: the face (with the usual substitutes for
// fonts this system lacks) at the pixel size the point size has at 96 DPI.
QFont dialogFont(const char* face, int pointSize);

DialogBaseUnits dialogBaseUnits(const QFont& font);

// a * b / c, rounded half away from zero.
int mulDiv(int a, int b, int c);

// Converts a rectangle in dialog units to pixels the way the dialog manager
// does: each corner is converted, so the size is the difference of the
// converted corners.
QRect mapDialogRect(const DialogBaseUnits& units, int x, int y, int cx, int cy);
