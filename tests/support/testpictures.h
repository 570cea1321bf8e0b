#ifndef TESTPICTURES_H
#define TESTPICTURES_H

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

// A picture set for tests: every picture the guide reads, each a flat colour of
// its own, so that a test tells pages apart by what is painted.
namespace TestPictures {

// Writes the set beside the test executable (replacing what is there).
void writeAll();

// The colour a picture of the set is painted in.
QColor colourOf(const QString &name);

// The picture of the set that fills the window's bottom-left corner, where no
// page has a button; empty when none does.
QString shownPicture(QWidget *window);

// Where pictures go: the folder of the test executable.
QString path(const QString &name);

} // namespace TestPictures

#endif
