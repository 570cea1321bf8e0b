#include "demopictures.h"

#include "guidepictures.h"
#include "pagetitles.h"

#include "pages/catalogue.h"
#include "shell/abstractquorvelwidget.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

using GuideSurvey::Page;

namespace DemoPictures {

namespace {

// One palette and one type for the whole set.
const QColor Ink(0x14, 0x21, 0x3d);
const QColor Deep(0x1f, 0x3b, 0x73);
const QColor Accent(0xfc, 0xa3, 0x11);
const QColor Paper(0xf4, 0xf6, 0xfa);
const QColor Muted(0x9f, 0xb3, 0xd9);
const QString Family = QStringLiteral("DejaVu Sans");

QFont font(int pixels, bool bold = false)
{
    QFont f(Family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The largest font up to pixels at which text fits into width.
QFont fitted(const QString &text, int pixels, int width, bool bold = true)
{
    QFont f = font(pixels, bold);
    while (pixels > 10 && QFontMetrics(f).boundingRect(text).width() > width)
        f.setPixelSize(--pixels);
    return f;
}

void drawText(QPainter &painter, const QRect &rect, const QString &text, const QFont &f, const QColor &colour,
              int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    painter.setFont(f);
    painter.setPen(colour);
    painter.drawText(rect, flags, text);
}

// An operator panel: a frame, a screen and a row of keys.
void drawPanel(QPainter &painter, const QRect &rect, const QString &code)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x0b, 0x13, 0x24));
    painter.drawRoundedRect(rect, 18, 18);
    const QRect screen = rect.adjusted(24, 24, -24, -rect.height() / 4);
    QLinearGradient glow(screen.topLeft(), screen.bottomRight());
    glow.setColorAt(0, QColor(0x3a, 0x6e, 0xc4));
    glow.setColorAt(1, QColor(0x16, 0x2f, 0x5e));
    painter.setBrush(glow);
    painter.drawRoundedRect(screen, 8, 8);
    drawText(painter, screen, code, fitted(code, screen.height() / 3, screen.width() - 20), Paper, Qt::AlignCenter);
    const int keys = 5;
    const int keyWidth = (screen.width() - (keys - 1) * 12) / keys;
    for (int k = 0; k < keys; ++k) {
        painter.setBrush(k == keys - 1 ? Accent : QColor(0x33, 0x44, 0x66));
        painter.drawRoundedRect(QRect(screen.left() + k * (keyWidth + 12), screen.bottom() + 18, keyWidth,
                                      rect.bottom() - screen.bottom() - 36),
                                6, 6);
    }
}

// A button drawn where the guide's hot-spot lies, with what it opens.
void drawHotSpot(QPainter &painter, const QRect &rect, const QString &label, const QString &detail = QString())
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Accent);
    painter.drawRoundedRect(rect, 12, 12);
    const int size = qMin(30, rect.height() * 2 / 5);
    if (detail.isEmpty()) {
        drawText(painter, rect, label, fitted(label, size, rect.width() - 16), Ink, Qt::AlignCenter);
        return;
    }
    const QRect top(rect.left(), rect.top(), rect.width(), rect.height() * 3 / 5);
    const QRect bottom(rect.left(), top.bottom(), rect.width(), rect.height() - top.height());
    drawText(painter, top, label, fitted(label, size, rect.width() - 16), Ink, Qt::AlignHCenter | Qt::AlignBottom);
    drawText(painter, bottom, detail, fitted(detail, size * 3 / 5, rect.width() - 16, false), Ink,
             Qt::AlignHCenter | Qt::AlignTop);
}

// Label and value rows; on a sheet of paper for a detail sheet.
void drawFacts(QPainter &painter, QPoint at, const QList<QPair<QString, QString>> &facts, bool onPaper)
{
    if (onPaper) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Paper);
        painter.drawRoundedRect(QRect(at - QPoint(24, 24), QSize(470, facts.size() * 62 + 36)), 14, 14);
    }
    const QColor value = onPaper ? Ink : Paper;
    const QColor label = onPaper ? Deep : Muted;
    for (const auto &fact : facts) {
        drawText(painter, QRect(at, QSize(150, 44)), fact.first, font(22), label);
        drawText(painter, QRect(at + QPoint(150, 0), QSize(270, 44)), fact.second, font(26, true), value);
        painter.setPen(onPaper ? QColor(0xc8, 0xd0, 0xe0) : QColor(0x33, 0x4a, 0x7a));
        painter.drawLine(at + QPoint(0, 48), at + QPoint(420, 48));
        at += QPoint(0, 62);
    }
}

void drawPageArt(QPainter &painter, const Page &page, const QVector<Page> &pages)
{
    const Catalogue::PageKind kind = Catalogue::pageKind(page.id);
    const QString code = PageTitles::modelCode(page);
    if (kind == Catalogue::PageKind::Start) {
        drawPanel(painter, QRect(330, 200, 340, 260), QStringLiteral("RQX-500"));
    } else if (kind == Catalogue::PageKind::Home) {
        drawText(painter, QRect(60, 210, 420, 120), QStringLiteral("Which panel fits\nyour machine?"), font(40, true),
                 Paper, Qt::AlignLeft | Qt::AlignTop);
        drawText(painter, QRect(60, 340, 420, 60),
                 QStringLiteral("Answer one question, browse the range,\nor pick a model from the list."), font(18),
                 Muted, Qt::AlignLeft | Qt::AlignTop);
        drawText(painter, QRect(page.listRect.left() - 260, page.listRect.top(), 245, page.listRect.height()),
                 QStringLiteral("Pick a model"), font(24, true), Paper, Qt::AlignRight | Qt::AlignVCenter);
    } else if (kind == Catalogue::PageKind::Feature) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Accent);
        painter.drawEllipse(QRect(100, 200, 260, 260));
        const QString number = PageTitles::heading(page, pages).section(QLatin1Char(' '), 1);
        drawText(painter, QRect(100, 200, 260, 260), number, font(120, true), Ink, Qt::AlignCenter);
        painter.setBrush(QColor(0x33, 0x4a, 0x7a));
        for (int line = 0; line < 4; ++line)
            painter.drawRoundedRect(QRect(430, 230 + line * 55, line == 3 ? 300 : 460, 22), 11, 11);
    } else if (kind == Catalogue::PageKind::Type) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Accent);
        painter.drawRoundedRect(QRect(80, 190, 300, 300), 40, 40);
        const QString letter = PageTitles::heading(page, pages).right(1);
        drawText(painter, QRect(80, 190, 300, 300), letter, font(200, true), Ink, Qt::AlignCenter);
        drawText(painter, QRect(440, 220, 500, 40), QStringLiteral("Models of this type"), font(24), Muted);
        drawText(painter, QRect(440, 270, 500, 200),
                 PageTitles::subheading(page, pages).replace(QStringLiteral("  ·  "), QStringLiteral("\n")),
                 font(34, true), Paper, Qt::AlignLeft | Qt::AlignTop);
    } else if (!code.isEmpty()) {
        drawPanel(painter, QRect(70, 180, 400, 320), code);
        QList<QPair<QString, QString>> facts = {{QStringLiteral("Model"), code},
                                                {QStringLiteral("Series"), code.left(3)},
                                                {QStringLiteral("Type"), code.mid(3, 1)}};
        const bool sheet = kind == Catalogue::PageKind::Detail;
        if (sheet)
            facts.append({QStringLiteral("Range"), QStringLiteral("RQX-500")});
        drawFacts(painter, QPoint(520, 200), facts, sheet);
    }
}

QString buttonLabel(const GuideSurvey::Button &button, const QVector<Page> &pages)
{
    return button.target == NoPageId ? QString() : PageTitles::shortName(pages.at(button.target), pages);
}

} // namespace

QImage pagePicture(const Page &page, const QVector<Page> &pages)
{
    QImage image(PageSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient background(QPointF(0, 0), QPointF(PageSize.width(), PageSize.height()));
    background.setColorAt(0, Ink);
    background.setColorAt(1, Deep);
    painter.fillRect(image.rect(), background);

    // The top right stays clear for the navigation buttons; where hot-spots
    // reach up high, the heading makes room for them.
    int highest = PageSize.height();
    for (const GuideSurvey::Button &button : page.buttons) {
        if (button.role == QLatin1String("hot-spot"))
            highest = qMin(highest, button.rect.top());
    }
    const QString heading = PageTitles::heading(page, pages);
    if (highest < 140) {
        drawText(painter, QRect(40, 14, 780, 40), heading, fitted(heading, 34, 780), Paper);
        drawText(painter, QRect(40, 52, 780, 22), PageTitles::subheading(page, pages), font(16), Muted);
    } else {
        drawText(painter, QRect(40, 28, 780, 56), heading, fitted(heading, 44, 780), Paper);
        drawText(painter, QRect(40, 86, 780, 30), PageTitles::subheading(page, pages), font(20), Muted);
        painter.fillRect(QRect(40, 130, 80, 5), Accent);
    }
    drawText(painter, QRect(40, 566, 920, 24),
             QStringLiteral("RQX-500 Series  ·  demo picture, to be replaced by your own"), font(14), Muted);

    drawPageArt(painter, page, pages);

    // Yes on the left, No on the right, on the question page.
    QVector<GuideSurvey::Button> hotSpots;
    for (const GuideSurvey::Button &button : page.buttons) {
        if (button.role == QLatin1String("hot-spot"))
            hotSpots.append(button);
    }
    std::sort(hotSpots.begin(), hotSpots.end(),
              [](const GuideSurvey::Button &a, const GuideSurvey::Button &b) { return a.rect.x() < b.rect.x(); });
    const bool question = Catalogue::pageKind(page.id) == Catalogue::PageKind::Question;
    for (int i = 0; i < hotSpots.size(); ++i) {
        const QString label = buttonLabel(hotSpots.at(i), pages);
        if (question)
            drawHotSpot(painter, hotSpots.at(i).rect, i == 0 ? QStringLiteral("Yes") : QStringLiteral("No"), label);
        else
            drawHotSpot(painter, hotSpots.at(i).rect, label);
    }
    return image;
}

QImage navigationIcon(const QString &name)
{
    // Exactly the button's size: the guide then shows it unscaled.
    QImage image(NavigationIconBox, NavigationIconBox, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Accent);
    painter.drawEllipse(QRectF(2, 2, 40, 40));

    QPainterPath glyph;
    if (name.contains(QLatin1String("home"))) {
        glyph.moveTo(22, 10);
        glyph.lineTo(34, 21);
        glyph.lineTo(30, 21);
        glyph.lineTo(30, 33);
        glyph.lineTo(25, 33);
        glyph.lineTo(25, 26);
        glyph.lineTo(19, 26);
        glyph.lineTo(19, 33);
        glyph.lineTo(14, 33);
        glyph.lineTo(14, 21);
        glyph.lineTo(10, 21);
    } else {
        glyph.moveTo(12, 22);
        glyph.lineTo(24, 11);
        glyph.lineTo(24, 18);
        glyph.lineTo(33, 18);
        glyph.lineTo(33, 26);
        glyph.lineTo(24, 26);
        glyph.lineTo(24, 33);
        if (name.contains(QLatin1String("next")))
            glyph = QTransform(-1, 0, 0, 1, 44, 0).map(glyph);
    }
    glyph.closeSubpath();
    painter.setBrush(Ink);
    painter.drawPath(glyph);
    return image;
}

Written write(const QString &folder, bool overwrite)
{
    Written result;
    QDir().mkpath(folder);
    const auto save = [&](const QString &name, const QImage &image) {
        const QString path = QDir::cleanPath(folder) + name;
        if (!overwrite && QFileInfo::exists(path)) {
            result.kept << name;
            return;
        }
        const bool saved = GuidePictures::isIcon(name) ? image.save(path, "PNG") : image.save(path, "JPEG", 90);
        (saved ? result.written : result.failed) << name;
    };

    for (const QString &name : AbstractQuorvelWidget::navigationPictures())
        save(name, navigationIcon(name));
    const QVector<Page> pages = GuideSurvey::survey();
    QStringList drawn;
    for (const Page &page : pages) {
        if (page.picture.isEmpty() || drawn.contains(page.picture))
            continue;
        drawn << page.picture;
        save(page.picture, pagePicture(page, pages));
    }
    return result;
}

} // namespace DemoPictures
