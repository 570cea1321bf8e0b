#include "processmemory.h"

#include <QFile>

namespace {

qint64 statusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    // Lines such as "VmRSS:     51234 kB".
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).simplified().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

namespace ProcessMemory {

qint64 residentKb()
{
    return statusKb("VmRSS");
}

qint64 peakResidentKb()
{
    return statusKb("VmHWM");
}

bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

} // namespace ProcessMemory
