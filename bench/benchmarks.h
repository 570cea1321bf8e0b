#ifndef BENCHMARKS_H
#define BENCHMARKS_H

#include "shell/pageid.h"
#include "shell/picturefile.h"
#include "tools/guidesurvey.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <QVector>

class Basewidget;

// What the benchmark measures, on the real window with the bench's pictures;
// the report reads each result back by name().
namespace Benchmarks {

// Index by index, the two readings of one pair.
struct ReadingTimes
{
    QVector<double> guideMs;
    QVector<double> plainMs;
};

// The real window, rendered into frame to check what it shows.
struct Guide
{
    Basewidget *window = nullptr;
    QImage frame;
    QVector<QString> pictures; // by page id, full paths
    QStringList icons;
    QVector<GuideSurvey::Page> pages; // by page id: where each button leads
    // For sizedPages: another photo of the page's size, which the page a press
    // starts on shows meanwhile, as on a guide whose photos are all that large.
    QHash<PageId, QString> photosAlike;
    // Since the bench last moved or replaced a picture file; see settleFiles().
    QElapsedTimer fileChanged;
    // For sizedPages: every reading's milliseconds, the guide's and a plain
    // QImageReader's, taken in turns by the "guide reading" benchmark.
    QHash<PageId, ReadingTimes> readings;
};

// One page of every class, the busiest of its kind where a class has several.
inline constexpr PageId classPages[] = {0, 1, 3, 14, 16, 20, 23, 77};

// Type pages, alike but for their pictures, show how the cost grows with the
// picture, and what `guide-pictures fit` gives back of it.
struct SizedPage
{
    PageId id;
    QSize size;
    bool fitted = false; // the photo as `guide-pictures fit` leaves it
};
inline constexpr SizedPage sizedPages[]
    = {{131, PageSize}, {132, {2000, 1200}}, {133, {4000, 3000}}, {134, {4000, 3000}, true}};

constexpr int Repetitions = 9;

// The name a benchmark of a page runs under: "switch/3".
QString name(const char *kind, PageId id);

// Pressed at a device pixel ratio of 2, in a run of their own: the home page,
// and the type page whose 2000 x 1200 picture is then drawn pixel for pixel.
inline constexpr PageId scaleTwoPages[] = {1, 132};

// Registers every benchmark of classPages and sizedPages with Google Benchmark:
// the kinds in benchmarks.cpp's tables, each on every page of its list.
void registerAll(Guide &guide);

// Registers only the press and hover of scaleTwoPages, with their floors.
void registerScaleTwo(Guide &guide);

// The page and button a visitor presses to reach a page: the first in page
// order that leads there. Null for a page no button leads to (the start page).
const GuideSurvey::Button *buttonTo(const Guide &guide, PageId target, PageId *from = nullptr);

// The button a hover benchmark points at: the page's first hot-spot, or on a
// page without one its first navigation button. Null when it shows no button.
const GuideSurvey::Button *hoverButton(const Guide &guide, PageId id);

// The soak: page after page, every id in turn, each asked for through the
// event loop as a press would, and each painted by the event loop before the next.
struct MemoryRun
{
    qint64 startKb = -1;
    qint64 halfwayKb = -1;
    qint64 endKb = -1;
    int switches = 0;
    int painted = 0;
};
MemoryRun switchThroughEventLoop(Basewidget &window, int switches);

} // namespace Benchmarks

#endif
