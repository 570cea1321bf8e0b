#include "journal.h"

#include <cstdio>

void sayInJournal(const QByteArray &line)
{
    const QByteArray whole = "quorvel-guide: " + line + '\n';
    std::fputs(whole.constData(), stderr);
    std::fflush(stderr);
}
