#ifndef PATIENCE_H
#define PATIENCE_H

// How long a test waits for something it expects before it calls it missing.
// It is no time the guide promises, and no test asserts it: a slow or busy
// machine (an emulator, sanitizers, another build beside it) makes every wait
// longer without changing what is awaited. It only turns a hang into a failure
// that says what did not come, well before CTest's own timeout.
namespace Patience {

constexpr int Ms = 60000;
// The same for a whole run of a program over a whole folder of pictures,
// which the sanitizers on a busy machine have made take over a minute.
constexpr int ProgramMs = 5 * Ms;

} // namespace Patience

#endif
