#ifndef PREVIEW_H
#define PREVIEW_H

#include "guidesurvey.h"

#include <QFileSystemWatcher>
#include <QStringList>
#include <QVector>
#include <QWidget>

class Basewidget;

// The overlay's outlines laid live over the real guide window: a layer over
// the page on show that outlines each button and the model list, labelled
// with the page it opens. Presses pass through it to the page, and a picture
// saved into the folder repaints the window.
class Preview : public QWidget
{
    Q_OBJECT

public:
    // The window must read its pictures from folder (setPictureFolder()).
    Preview(const QString &folder, Basewidget *window);

    // The page on show, as the survey numbers it.
    PageId shownPage() const;
    const GuideSurvey::Page &surveyed(PageId id) const { return pages.at(id); }

    // `guide-pictures preview DIR`: the window, until it is closed.
    static int run(const QStringList &arguments);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void sltPicturesChanged();

private:
    void watchPictures();

    QString folder;
    Basewidget *window = nullptr;
    QVector<GuideSurvey::Page> pages;
    QFileSystemWatcher watcher;
};

#endif
