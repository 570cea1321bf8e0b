#include "overlay.h"

#include "shell/picturefile.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTextStream>
#include <QWidget>

using GuideSurvey::Page;

namespace Overlay {

namespace {

QColor outlineColour(const QString &role)
{
    if (role == QLatin1String("hot-spot"))
        return QColor(0xff, 0x2d, 0x95);
    if (role == QLatin1String("list"))
        return QColor(0x00, 0xc8, 0xff);
    return QColor(0x3d, 0xdc, 0x84);
}

void outline(QPainter &painter, const QRect &rect, const QString &role, const QString &label)
{
    const QColor colour = outlineColour(role);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 3));
    painter.drawRect(rect.adjusted(1, 1, -1, -1));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    const QRect text = QFontMetrics(font).boundingRect(label).adjusted(-4, -2, 4, 2);
    // Below a small button, so that its icon stays in sight; inside a large one.
    QRect tag(rect.height() <= NavigationIconBox ? rect.bottomLeft() + QPoint(0, 3) : rect.topLeft() + QPoint(3, 3),
              text.size());
    if (tag.right() >= PageSize.width())
        tag.moveRight(PageSize.width() - 1);
    painter.fillRect(tag, colour);
    painter.setPen(Qt::black);
    painter.drawText(tag, Qt::AlignCenter, label);
}

QString fileName(PageId id)
{
    return QStringLiteral("page-%1.png").arg(id, 3, 10, QLatin1Char('0'));
}

QString targetsOf(const Page &page)
{
    QStringList links;
    for (const GuideSurvey::Button &button : page.buttons) {
        links << QStringLiteral("%1 <a href=\"#p%2\">%2</a>").arg(button.role).arg(button.target);
    }
    if (!page.rows.isEmpty())
        links << QStringLiteral("list: <a href=\"#p%1\">%1</a> to <a href=\"#p%2\">%2</a>")
                     .arg(page.rows.at(1).target)
                     .arg(page.rows.last().target);
    return links.join(QStringLiteral(", "));
}

QString contactSheet(const QVector<Page> &pages, const QString &pictureFolder)
{
    QString html;
    QTextStream out(&html);
    out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Guide pages</title>\n"
           "<style>body{font-family:sans-serif;background:#1b1f2a;color:#e8ecf4;margin:24px}"
           "a{color:#7fc8ff}.sheet{display:flex;flex-wrap:wrap;gap:16px}"
           "figure{margin:0;width:300px;background:#262c3b;padding:8px;border-radius:6px}"
           "img{width:300px;display:block}figcaption{font-size:12px;line-height:1.4;margin-top:6px}"
           "b{font-size:14px}</style></head><body>\n";
    out << "<h1>Guide pages</h1>\n<p>Pictures from " << pictureFolder.toHtmlEscaped()
        << ". Outlines: <span style=\"color:#ff2d95\">hot-spots</span>, "
           "<span style=\"color:#3ddc84\">navigation buttons</span>, "
           "<span style=\"color:#00c8ff\">model list</span>, each labelled with the page it opens.</p>\n";
    out << "<div class=\"sheet\">\n";
    for (const Page &page : pages) {
        out << "<figure id=\"p" << page.id << "\"><a href=\"" << fileName(page.id) << "\"><img src=\""
            << fileName(page.id) << "\" alt=\"page " << page.id << "\"></a><figcaption><b>" << page.id << "</b> "
            << page.pageClass << "<br>"
            << (page.picture.isEmpty() ? QStringLiteral("(no picture)") : page.picture.mid(1)) << "<br>"
            << targetsOf(page) << "</figcaption></figure>\n";
    }
    out << "</div>\n</body></html>\n";
    return html;
}

} // namespace

void drawOutlines(QPainter &painter, const Page &page)
{
    painter.setRenderHint(QPainter::Antialiasing);
    for (const GuideSurvey::Button &button : page.buttons)
        outline(painter, button.rect, button.role, QStringLiteral("→ %1").arg(button.target));
    if (!page.rows.isEmpty()) {
        outline(painter, page.listRect, QStringLiteral("list"),
                QStringLiteral("rows → %1..%2").arg(page.rows.at(1).target).arg(page.rows.last().target));
    }
}

bool write(const QString &pictureFolder, const QString &out, QString *error)
{
    if (!QDir().mkpath(out)) {
        *error = QStringLiteral("cannot make the folder %1").arg(out);
        return false;
    }
    setPictureFolder(QDir::cleanPath(pictureFolder));
    QString unwritten;
    const QVector<Page> pages = GuideSurvey::survey([&](QWidget *window, const Page &page) {
        QImage rendering = window->grab().toImage();
        QPainter painter(&rendering);
        drawOutlines(painter, page);
        painter.end();
        const QString path = QDir(out).filePath(fileName(page.id));
        if (!rendering.save(path) && unwritten.isEmpty())
            unwritten = path;
    });
    if (!unwritten.isEmpty()) {
        *error = QStringLiteral("cannot write %1").arg(unwritten);
        return false;
    }

    QFile index(QDir(out).filePath(QStringLiteral("index.html")));
    if (!index.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("cannot write %1").arg(index.fileName());
        return false;
    }
    index.write(contactSheet(pages, QDir(pictureFolder).absolutePath()).toUtf8());
    return true;
}

} // namespace Overlay
