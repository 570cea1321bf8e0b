#ifndef PICTUREINPUT_H
#define PICTUREINPUT_H

#include <QElapsedTimer>
#include <QIODevice>

class JpegScans;
class PictureWarnings;

// A picture's bytes as the decoder reads them, ended early when a JPEG's next
// scan would take its work past the limit (see JpegScans), the process has
// grown by more than the reading may, or the decoder has warned more often
// than a sound file makes it; or, as a backstop, after many times the
// processor time an honest picture of its size takes on this machine. The decoder then sees the end of its input and
// stops, whatever the file makes it do.
class PictureInput : public QIODevice
{
public:
    // Time: the processor-time backstop (see PictureSpeed), far above what
    // any sound picture takes on the same machine.
    enum Stop { NotStopped, Work, Memory, Warnings, Time };

    // scans and warnings may be null; both stay the caller's.
    PictureInput(const char *data, qint64 size, qint64 growthBytes, qint64 backstopNs, JpegScans *scans,
                 const PictureWarnings *warnings);

    bool isSequential() const override { return false; }
    qint64 size() const override { return bytes; }

    Stop stopped() const { return stop; }

    // A sound picture draws a warning or two; a storm is stopped here.
    static constexpr int MaxWarnings = 32;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool overBudget();

    const char *bytesAt;
    qint64 bytes;
    qint64 growthLimit;
    qint64 backstopNs;
    qint64 cpuStartNs;
    JpegScans *scans;
    const PictureWarnings *warnings;
    qint64 memoryStart;
    QElapsedTimer clock;
    // Memory is asked at most this often, on the clock: asking costs a read
    // of a file.
    qint64 nextMemoryCheckNs = 0;
    Stop stop = NotStopped;
};

#endif
