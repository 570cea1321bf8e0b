#ifndef PROCESSUSAGE_H
#define PROCESSUSAGE_H

#include <QtGlobal>

// What the picture reading asks the system about itself; each system's
// answer is in processusage_unix.cpp or processusage_win.cpp.
namespace ProcessUsage {

// The processor time the calling thread has used.
qint64 threadCpuNs();
// The process's memory: resident on Linux, committed on Windows.
qint64 processBytes();

} // namespace ProcessUsage

#endif
