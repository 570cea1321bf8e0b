#include "pagetitles.h"

#include <QRegularExpression>

using GuideSurvey::Page;

namespace PageTitles {

namespace {

bool isTypePage(const Page &page)
{
    return page.picture.startsWith(QLatin1String("/type"));
}

QChar typeLetter(const Page &page)
{
    if (isTypePage(page))
        return page.picture.at(5);
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
        if (button.target != NoPageId && isTypePage(pages.at(button.target)))
            return true;
    }
    return false;
}

// The models of one type letter, in the order of the home page's list.
QStringList modelsOfType(QChar letter, const QVector<Page> &pages)
{
    QStringList models;
    for (const Page &page : pages) {
        const QString code = page.pageClass == QLatin1String("QuorvelLayer4") ? modelCode(page) : QString();
        if (!code.isEmpty() && code.at(3) == letter && !models.contains(code))
            models << code;
    }
    return models;
}

} // namespace

QString modelCode(const Page &page)
{
    static const QRegularExpression model(QStringLiteral("^/(\\d{3}[a-z]{2})(_detial)?\\.jpg$"));
    const QRegularExpressionMatch match = model.match(page.picture);
    return match.hasMatch() ? match.captured(1).toUpper() : QString();
}

QString heading(const Page &page, const QVector<Page> &pages)
{
    const QString kind = page.pageClass;
    if (kind == QLatin1String("QuorvelTop") || kind == QLatin1String("QuorvelHome"))
        return QStringLiteral("RQX-500 Series");
    if (kind == QLatin1String("QuorvelFeatures"))
        return QStringLiteral("Feature %1").arg(page.picture.mid(8).section(QLatin1Char('.'), 0, 0));
    if (kind == QLatin1String("QuorvelLayer1"))
        return QStringLiteral("Do you know which series you need?");
    if (kind == QLatin1String("QuorvelLayer2"))
        return offersTypes(page, pages) ? QStringLiteral("Models by type") : QStringLiteral("Choose a series");
    if (kind == QLatin1String("QuorvelLayer3"))
        return QStringLiteral("Series %1").arg(series(page, pages));
    if (isTypePage(page))
        return QStringLiteral("Type %1").arg(typeLetter(page));
    return modelCode(page);
}

QString subheading(const Page &page, const QVector<Page> &pages)
{
    const QString kind = page.pageClass;
    if (kind == QLatin1String("QuorvelTop"))
        return QStringLiteral("Operator panels");
    if (kind == QLatin1String("QuorvelHome"))
        return QStringLiteral("Product guide");
    if (kind == QLatin1String("QuorvelFeatures"))
        return QStringLiteral("What every RQX-500 panel brings");
    if (kind == QLatin1String("QuorvelLayer1"))
        return QStringLiteral("Find your panel");
    if (kind == QLatin1String("QuorvelLayer2")) {
        if (!offersTypes(page, pages))
            return QStringLiteral("Every series of the RQX-500 range");
        bool hasNext = false;
        for (const GuideSurvey::Button &button : page.buttons)
            hasNext = hasNext || button.role == QLatin1String("next");
        return hasNext ? QStringLiteral("Page 1 of 2") : QStringLiteral("Page 2 of 2");
    }
    if (kind == QLatin1String("QuorvelLayer3"))
        return QStringLiteral("Choose a model");
    if (isTypePage(page))
        return modelsOfType(typeLetter(page), pages).join(QStringLiteral("  ·  "));
    if (kind == QLatin1String("QuorvelLayer5"))
        return QStringLiteral("Detail sheet");
    return QStringLiteral("RQX-500 Series  ·  Type %1").arg(typeLetter(page));
}

QString shortName(const Page &page, const QVector<Page> &pages)
{
    const QString kind = page.pageClass;
    if (kind == QLatin1String("QuorvelHome"))
        return QStringLiteral("Home");
    if (kind == QLatin1String("QuorvelFeatures"))
        return QStringLiteral("Features");
    if (kind == QLatin1String("QuorvelLayer1"))
        return QStringLiteral("Find your panel");
    if (kind == QLatin1String("QuorvelLayer5"))
        return QStringLiteral("Detail sheet");
    return heading(page, pages);
}

} // namespace PageTitles
