#ifndef TESTPICTURES_H
#define TESTPICTURES_H

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

// A picture set for tests: every picture the guide reads, each a flat colour of
// its own, so that a test tells pages apart by what is painted.
namespace TestPictures {

// Writes the set beside the test executable (replacing what is there), or
// into folder, and waits until what it wrote has settled, as the guide judges
// it; a picture left as it was by an earlier run is not written again.
void writeAll();
void writeAll(const QString &folder);

// Writes one picture of the set, as writeAll() does, without waiting.
void write(const QString &name, const QString &folder);
// The same, true when it wrote: false when the same picture was there.
bool writeChanged(const QString &name, const QString &folder);

// The colour a picture of the set is painted in.
QColor colourOf(const QString &name);

// The picture of the set that fills the window's bottom-left corner, where no
// page has a button; empty when none does.
QString shownPicture(QWidget *window);

// The picture of the set painted in that colour; empty when none is.
QString pictureOf(const QColor &colour);

// Where shownPicture() looks, in window coordinates.
constexpr int CornerX = 2;
constexpr int CornerFromBottom = 3;

// Where pictures go: the folder of the test executable.
QString path(const QString &name);

} // namespace TestPictures

#endif
