#include "guidegraph.h"

#include <QTextStream>

namespace GuideGraph {

QString toDot(const QVector<GuideSurvey::Page> &pages)
{
    QString dot;
    QTextStream out(&dot);
    out << "digraph guide {\n"
           "  rankdir=LR;\n"
           "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f4f6fa\", fontname=\"DejaVu Sans\", "
           "fontsize=10];\n"
           "  edge [fontname=\"DejaVu Sans\", fontsize=8, color=\"#55607a\"];\n";
    for (const GuideSurvey::Page &page : pages) {
        out << "  p" << page.id << " [label=\"" << page.id << "\\n"
            << (page.picture.isEmpty() ? QStringLiteral("(no picture)") : page.picture.mid(1)) << "\"];\n";
    }
    // The start page has no buttons: only the end of the start delay leaves it.
    out << "  p0 -> p1 [label=\"after 3 s\", style=dashed];\n";
    for (const GuideSurvey::Page &page : pages) {
        for (const GuideSurvey::Button &button : page.buttons)
            out << "  p" << page.id << " -> p" << button.target << " [label=\"" << button.role << "\"];\n";
        for (const GuideSurvey::ListRow &row : page.rows) {
            if (row.target != NoPageId)
                out << "  p" << page.id << " -> p" << row.target << " [label=\"row " << row.row << " " << row.text
                    << "\"];\n";
        }
    }
    out << "}\n";
    return dot;
}

} // namespace GuideGraph
