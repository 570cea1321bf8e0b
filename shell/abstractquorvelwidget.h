#ifndef ABSTRACTQUORVELWIDGET_H
#define ABSTRACTQUORVELWIDGET_H

#include "cachedpicture.h"
#include "pageid.h"
#include "picturefile.h"

#include <QString>
#include <QStringList>
#include <QWidget>

QT_BEGIN_NAMESPACE
class QPushButton;
QT_END_NAMESPACE

// The base of every page: a picture stretched over the whole page, and three
// navigation buttons at the top right whose targets each page chooses.
// A page asks for another page only through sigOpenWidget().
class AbstractQuorvelWidget : public QWidget
{
    Q_OBJECT

public:
    AbstractQuorvelWidget();
    ~AbstractQuorvelWidget() override;

    // The navigation icons' picture names: previous, next, home.
    static QStringList navigationPictures();

    // Called once by the window, after geometry, parent and pageId are set.
    virtual void initPage();

    // Stores the three targets and hides each button whose target is NoPageId.
    // It never shows a button.
    void setNavigationTargets(PageId previous, PageId next, PageId home);
    void setPicturePath(const QString &path);

    // The page's state is open: the window writes pageId before initPage(),
    // and the tools read what a page shows and where it leads.
    QPushButton *btnPrevious = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnHome = nullptr;
    PageId pageId = NoPageId;
    PageId previousPageId = NoPageId;
    PageId nextPageId = NoPageId;
    PageId homePageId = NoPageId;
    QString picturePath;

signals:
    void sigOpenWidget(int);

public slots:
    // Each slot emits and does nothing after: the window may delete this page
    // (and the pressed button) before the emission returns.
    void sltBtnPreviousPressed();
    void sltBtnNextPressed();
    void sltBtnHomePressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The picture, and while the page shows, the watch on its file: a
    // picture changed while nobody presses still shows once it has settled.
    CachedPicture background{this};
};

#endif
