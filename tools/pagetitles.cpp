#include "pagetitles.h"

#include "pages/catalogue.h"

#include <QStringList>

using Catalogue::PageKind;
using GuideSurvey::Page;

namespace PageTitles {

namespace {

PageKind kindOf(const Page &page)
{
    return Catalogue::pageKind(page.id);
}

QChar typeLetter(const Page &page)
{
    if (kindOf(page) == PageKind::Type)
        return QLatin1Char(Catalogue::typeLetter(page.id));
    const QString code = modelCode(page);
    return code.size() > 3 ? code.at(3) : QChar();
}

// The series of a code group page: the first three characters of the models it offers.
QString series(const Page &page, const QVector<Page> &pages)
{
    for (const GuideSurvey::Button &button : page.buttons) {
        if (button.role == QLatin1String("hot-spot"))
            return modelCode(pages.at(button.target)).left(3);
    }
    return QString();
}

bool offersTypes(const Page &page, const QVector<Page> &pages)
{
    for (const GuideSurvey::Button &button : page.buttons) {
        if (button.target != NoPageId && kindOf(pages.at(button.target)) == PageKind::Type)
            return true;
    }
    return false;
}

// The models of one type letter that result and model pages show, in page order.
QStringList modelsOfType(QChar letter, const QVector<Page> &pages)
{
    QStringList models;
    for (const Page &page : pages) {
        const PageKind kind = kindOf(page);
        const QString code = kind == PageKind::Result || kind == PageKind::Model ? modelCode(page) : QString();
        if (!code.isEmpty() && code.at(3) == letter && !models.contains(code))
            models << code;
    }
    return models;
}

} // namespace

QString modelCode(const Page &page)
{
    return QString::fromLatin1(Catalogue::pageModel(page.id));
}

QString heading(const Page &page, const QVector<Page> &pages)
{
    switch (kindOf(page)) {
    case PageKind::Start:
    case PageKind::Home:
        return QStringLiteral("RQX-500 Series");
    case PageKind::Feature:
        return QStringLiteral("Feature %1").arg(page.picture.mid(8).section(QLatin1Char('.'), 0, 0));
    case PageKind::Question:
        return QStringLiteral("Do you know which series you need?");
    case PageKind::Choice:
        return offersTypes(page, pages) ? QStringLiteral("Models by type") : QStringLiteral("Choose a series");
    case PageKind::CodeGroup:
        return QStringLiteral("Series %1").arg(series(page, pages));
    case PageKind::Type:
        return QStringLiteral("Type %1").arg(typeLetter(page));
    case PageKind::Result:
    case PageKind::Model:
    case PageKind::Detail:
        break;
    }
    return modelCode(page);
}

QString subheading(const Page &page, const QVector<Page> &pages)
{
    switch (kindOf(page)) {
    case PageKind::Start:
        return QStringLiteral("Operator panels");
    case PageKind::Home:
        return QStringLiteral("Product guide");
    case PageKind::Feature:
        return QStringLiteral("What every RQX-500 panel brings");
    case PageKind::Question:
        return QStringLiteral("Find your panel");
    case PageKind::Choice: {
        if (!offersTypes(page, pages))
            return QStringLiteral("Every series of the RQX-500 range");
        bool hasNext = false;
        for (const GuideSurvey::Button &button : page.buttons)
            hasNext = hasNext || button.role == QLatin1String("next");
        return hasNext ? QStringLiteral("Page 1 of 2") : QStringLiteral("Page 2 of 2");
    }
    case PageKind::CodeGroup:
        return QStringLiteral("Choose a model");
    case PageKind::Type:
        return modelsOfType(typeLetter(page), pages).join(QStringLiteral("  ·  "));
    case PageKind::Detail:
        return QStringLiteral("Detail sheet");
    case PageKind::Result:
    case PageKind::Model:
        break;
    }
    return QStringLiteral("RQX-500 Series  ·  Type %1").arg(typeLetter(page));
}

QString shortName(const Page &page, const QVector<Page> &pages)
{
    switch (kindOf(page)) {
    case PageKind::Home:
        return QStringLiteral("Home");
    case PageKind::Feature:
        return QStringLiteral("Features");
    case PageKind::Question:
        return QStringLiteral("Find your panel");
    case PageKind::Detail:
        return QStringLiteral("Detail sheet");
    default:
        return heading(page, pages);
    }
}

} // namespace PageTitles
