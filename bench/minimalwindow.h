#ifndef MINIMALWINDOW_H
#define MINIMALWINDOW_H

#include <QRgb>

// The colour the minimal window fills itself with, so that its first frame can
// be told from an unpainted window.
constexpr QRgb MinimalWindowColour = 0xff3070b0;

#endif
