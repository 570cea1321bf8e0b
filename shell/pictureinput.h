#ifndef PICTUREINPUT_H
#define PICTUREINPUT_H

#include <QElapsedTimer>
#include <QIODevice>

// A picture's bytes as the decoder reads them, a little at a time, ended
// early when the reading has taken its share of the thread's processor time,
// grown the process by more than it may, or drawn more warnings than a sound
// file does. The decoder then sees the end of its input and stops, whatever
// the file makes it do.
class PictureInput : public QIODevice
{
public:
    enum Stop { NotStopped, Time, Memory, Warnings };

    // At most readBytes are handed out a read: the deadline is checked that often.
    PictureInput(const char *data, qint64 size, qint64 cpuNs, qint64 growthBytes, qint64 readBytes);

    bool isSequential() const override { return false; }
    qint64 size() const override { return bytes; }

    // Counts one of the decoder's warnings; too many end the input.
    void warned();
    int warnings() const { return warningCount; }
    Stop stopped() const { return stop; }

    // A PNG's chunks are followed as they are read: libpng clears a buffer as
    // long as a chunk says it is before reading it, so one that claims more
    // than the file holds ends the input at its header.
    void followPngChunks() { nextChunk = 8; }

    // The processor time the calling thread has used.
    static qint64 threadCpuNs();
    // The process's memory: resident on Linux, committed on Windows.
    static qint64 processBytes();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool overBudget();

    const char *bytesAt;
    qint64 bytes;
    qint64 cpuLimitNs;
    qint64 growthLimit;
    qint64 readLimit;
    qint64 cpuStartNs;
    qint64 memoryStart;
    QElapsedTimer clock;
    // Processor time cannot pass the clock: until the clock reaches this, the
    // (costlier) processor time need not be asked.
    qint64 nextCheckNs = 0;
    qint64 nextChunk = -1;
    int warningCount = 0;
    Stop stop = NotStopped;
};

#endif
