#pragma once
// The fonts and colours the alarm picture shares between its panels and its legend. Fonts are
// sized in pixels, so a picture looks the same whatever screen or platform drew it.
//
// Needs a QGuiApplication (fonts); any thread once it exists.

#include "app/tonecheck/AlarmJudge.h"

#include <QColor>
#include <QFont>

struct TPictureFonts {
    QFont Title;  // a panel's name
    QFont Text;   // tick labels, the legend, a tone's measured frequency
    QFont Small;  // a tone's band and misses
    QFont Symbol; // a code tone's symbol
};

TPictureFonts MakePictureFonts();

QColor MarkColour(TToneMarkState state);
inline const QColor BandFill(60, 110, 230, 60);
inline const QColor BandEdge(60, 110, 230);
inline const QColor AxisInk(60, 60, 60);
inline const QColor GridInk(0, 0, 0, 35);
