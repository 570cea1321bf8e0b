#ifndef PICTUREWARNINGS_H
#define PICTUREWARNINGS_H

#include <QString>

// The warnings the decoders give during one reading on this thread. Qt's JPEG
// and PNG readers pass libjpeg's and libpng's warnings to Qt's log, so they
// are caught there, for the reading under way on the thread that logs them.
// Counting does not depend on the logging rules: a kiosk that turns warnings
// off (QT_LOGGING_RULES="default.warning=false") still has them counted; they
// are then only kept out of its log, as it asked.
class PictureWarnings
{
public:
    PictureWarnings();
    ~PictureWarnings();
    PictureWarnings(const PictureWarnings &) = delete;
    PictureWarnings &operator=(const PictureWarnings &) = delete;

    int count() const { return warnings; }
    QString first() const { return firstWarning; }

    // For the log's hook: one more warning of this reading.
    void add(const QString &message);

private:
    PictureWarnings *outer;
    int warnings = 0;
    QString firstWarning;
};

#endif
