#ifndef TABLE_H
#define TABLE_H

#include <QStringList>
#include <QTextStream>

// A plain text table on stdout: a label column, then right-aligned cells.
class Table
{
public:
    void line(const QString &text);
    void heading(const QString &title, const QStringList &columns);
    void row(const QStringList &cells);

private:
    QTextStream out{stdout};
};

#endif
