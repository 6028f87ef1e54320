#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>

// The dialogs' font: "宋体" 9 pt where installed, else the first installed CJK face of a short
// list, else any face that covers Simplified Chinese. Never fails (falls back to the default).
QFont DialogFont();

// The base units of a dialog set in the font of metrics: average character width and height.
struct DialogBaseUnits {
    int width;
    int height;
};
// Returns the base units as the dialog manager computes them from the font.
DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics);

// Returns the pixel rectangle of a rectangle given in dialog units.
QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base);
// Returns the pixel size of a size given in dialog units.
QSize DialogUnitsToPixels(const QSize& units, DialogBaseUnits base);
