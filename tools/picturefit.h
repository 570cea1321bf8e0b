#ifndef PICTUREFIT_H
#define PICTUREFIT_H

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

// A copy of a folder of pictures with every one larger than the guide shows
// it scaled down: a 4000 x 3000 photo costs a press several times what one of
// the page's size does, for the same pixels on the screen.
namespace PictureFit {

// The most pixels the guide shows of a picture at QT_SCALE_FACTOR scale: the
// page's, or for a navigation icon the box it is fitted into (its shape kept).
QSize target(const QString &name, QSize size, double scale);

// The quality a JPEG was saved at, 1..100, estimated from its luminance
// quantisation table against the IJG tables every common encoder scales;
// -1 when the file has no table to go by.
int jpegQuality(const QByteArray &jpeg);

// A scale given on the command line: a number from 0.1 to 8.
bool scaleFrom(const QString &text, double *scale);

// `guide-pictures fit DIR [--scale F] [--output OUT]`; OUT is DIR-fit unless
// given. Returns the exit status: 0 done, 1 a picture or file could not be
// handled, 2 bad arguments.
int run(const QStringList &arguments);

// Writes the copy of folder into output, printing a line per fitted picture
// when report is set. False, with error set, when something was not written.
bool fit(const QString &folder, const QString &output, double scale, QStringList *report, QString *error);

} // namespace PictureFit

#endif
