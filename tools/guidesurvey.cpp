#include "guidesurvey.h"

#include "shell/abstractquorvelwidget.h"
#include "shell/basewidget.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>

namespace GuideSurvey {

namespace {

// Hears what a page asks for, in place of the window.
class Requests : public QObject
{
    Q_OBJECT

public:
    PageId last = NoPageId;

public slots:
    void record(int id) { last = id; }
};

void press(QPushButton *button)
{
    const QPoint centre = button->rect().center();
    QMouseEvent down(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &up);
}

QString buttonRole(const AbstractQuorvelWidget *page, const QPushButton *button)
{
    if (button == page->btnPrevious)
        return QStringLiteral("previous");
    if (button == page->btnNext)
        return QStringLiteral("next");
    if (button == page->btnHome)
        return QStringLiteral("home");
    return QStringLiteral("hot-spot");
}

Page surveyPage(AbstractQuorvelWidget *page, PageId id)
{
    // Cut off from the window, the page asks the recorder instead, and stays.
    QObject::disconnect(page, SIGNAL(sigOpenWidget(int)), nullptr, nullptr);
    Requests requests;
    QObject::connect(page, SIGNAL(sigOpenWidget(int)), &requests, SLOT(record(int)));

    Page surveyed;
    surveyed.id = id;
    surveyed.pageClass = QString::fromLatin1(page->metaObject()->className());
    surveyed.picture = pictureName(page->picturePath);
    for (QPushButton *button : page->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!button->isVisibleTo(page))
            continue;
        requests.last = NoPageId;
        press(button);
        surveyed.buttons.append({button->geometry(), buttonRole(page, button), requests.last});
    }
    if (auto *list = page->findChild<QComboBox *>()) {
        surveyed.listRect = list->geometry();
        for (int row = 0; row < list->count(); ++row) {
            requests.last = NoPageId;
            list->setCurrentIndex(row);
            surveyed.rows.append({row, list->itemText(row), requests.last});
        }
    }
    return surveyed;
}

} // namespace

QVector<Page> survey(const ShownPage &shown)
{
    QVector<Page> pages;
    Basewidget window;
    for (PageId id = 0; id < PageCount; ++id) {
        window.sltOpenWidget(id);
        pages.append(surveyPage(window.page(), id));
        if (shown) {
            window.sltOpenWidget(id);
            shown(&window, pages.last());
        }
    }
    return pages;
}

} // namespace GuideSurvey

#include "guidesurvey.moc"
