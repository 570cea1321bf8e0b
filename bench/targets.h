#ifndef TARGETS_H
#define TARGETS_H

// What the guide promises, as the report judges it.
namespace Targets {

// A page switch takes at most this many times its floor: decoding the page's
// picture and the icons with a plain QImageReader.
constexpr double SwitchOfFloor = 1.25;

// At 4000 x 3000, a switch or repaint takes at most this many times a decode
// straight to page size, and at most this share of a decode in full.
constexpr double LargePictureOfFloor = 1.1;
constexpr double LargePictureOfFullDecode = 0.5;

// From process start to the first frame under Xvfb, and the memory then.
constexpr double StartUpMs = 80;
constexpr double StartUpPssMb = 35;

// Growth of resident memory over the second half of the soak.
constexpr double MemoryGrowthMb = 1;

} // namespace Targets

#endif
