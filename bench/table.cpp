#include "table.h"

namespace {

constexpr int LabelWidth = 34;
constexpr int CellWidth = 10;

} // namespace

void Table::line(const QString &text)
{
    out << text << '\n';
}

void Table::heading(const QString &title, const QStringList &columns)
{
    out << '\n' << title << '\n';
    row(QStringList(QString()) + columns);
}

void Table::row(const QStringList &cells)
{
    out << cells.value(0).leftJustified(LabelWidth);
    for (int i = 1; i < cells.size(); ++i)
        out << ' ' << cells[i].rightJustified(CellWidth);
    out << '\n';
    out.flush();
}
