#ifndef BENCHMARKS_H
#define BENCHMARKS_H

#include "shell/pageid.h"
#include "shell/picturefile.h"

#include <QImage>
#include <QSize>
#include <QStringList>
#include <QVector>

class Basewidget;

// What the benchmark measures, on the real window with the bench's pictures;
// the report reads each result back by name().
namespace Benchmarks {

// The real window, rendered into frame as its pages are painted.
struct Guide
{
    Basewidget *window = nullptr;
    QImage frame;
    QVector<QString> pictures; // by page id, full paths
    QStringList icons;
};

// One page of every class, the busiest of its kind where a class has several.
inline constexpr PageId classPages[] = {0, 1, 3, 14, 16, 20, 23, 77};

// Three type pages, alike but for their pictures, show how the cost grows
// with the picture.
struct SizedPage
{
    PageId id;
    QSize size;
};
inline constexpr SizedPage sizedPages[] = {{131, PageSize}, {132, {2000, 1200}}, {133, {4000, 3000}}};

constexpr int Repetitions = 9;

// The name a benchmark of a page runs under: "switch/3".
QString name(const char *kind, PageId id);

// Registers every benchmark of classPages and sizedPages with Google Benchmark:
// the kinds in benchmarks.cpp's tables, each on every page of its list.
void registerAll(Guide &guide);

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
