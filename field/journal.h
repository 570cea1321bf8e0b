#ifndef JOURNAL_H
#define JOURNAL_H

#include <QByteArray>

// One line on stderr, which the kiosk units send to the journal, under the
// guide's name.
void sayInJournal(const QByteArray &line);

#endif
