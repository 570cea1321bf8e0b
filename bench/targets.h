#ifndef TARGETS_H
#define TARGETS_H

#include "shell/pageid.h"

// What the guide promises, as the report judges it.
namespace Targets {

// A press, from the button going down until the new page has painted, takes
// at most this many times its floor: decoding the new page's picture at the
// page's size in device pixels, and the three icons, with a plain QImageReader.
constexpr double PressOfFloor = 1.15;

// The home page and the catalogue by type letter build the most widgets (a
// list of 21 rows; 17 hot-spots), and are allowed this much.
constexpr double BusyPagePressOfFloor = 1.25;
constexpr PageId BusyPages[] = {1, 16};

// The pointer onto a hot-spot until it has painted: at most this share of one
// decode of the page's picture.
constexpr double HoverOfDecode = 0.1;

// The guide's reading of a picture, its bounds checked as it goes, against a
// plain QImageReader decode of the same file at the same size.
constexpr double ReadingOfPlain = 1.05;

// From process start to the first frame under Xvfb, against a minimal Qt
// window of the same size started in the same run, turn about: no slower
// than it, on whatever machine. The memory then.
constexpr double StartUpOfMinimal = 1.0;
constexpr double StartUpPssMb = 35;

// Growth of resident memory over the second half of the soak.
constexpr double MemoryGrowthMb = 1;

} // namespace Targets

#endif
