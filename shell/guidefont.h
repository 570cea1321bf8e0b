#ifndef GUIDEFONT_H
#define GUIDEFONT_H

#include <QFont>

// The font every widget of the guide inherits, the model list's rows above all:
// 26 pixels, bold, in a family that the system may replace by its nearest match.
QFont guideFont();

#endif
