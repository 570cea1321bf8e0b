#include "abstractquorvelwidget.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

const char *const navigationIcons[] = {"/previous_page.png", "/next_page.png", "/home_page.png"};

void setNavigationIcon(QPushButton *button, const char *picture)
{
    const QImage image = readPicture(pictureFile(picture), QSize(), IconBudget);
    // A missing icon leaves an empty button face, with an icon size of 0 x 0.
    if (!image.isNull()) {
        const QImage fitted
            = image.scaled(NavigationIconBox, NavigationIconBox, Qt::KeepAspectRatio, Qt::FastTransformation);
        button->setIcon(QIcon(QPixmap::fromImage(fitted)));
    }
    // The icon size is the picture's own size: QIcon never enlarges its pixmap,
    // so a small icon keeps its size and a large one stays fitted into the box.
    button->setIconSize(image.size());
}

} // namespace

AbstractQuorvelWidget::AbstractQuorvelWidget()
    : btnPrevious(new QPushButton(this)),
      btnNext(new QPushButton(this)),
      btnHome(new QPushButton(this))
{
    setNavigationIcon(btnPrevious, navigationIcons[0]);
    setNavigationIcon(btnNext, navigationIcons[1]);
    setNavigationIcon(btnHome, navigationIcons[2]);

    btnPrevious->setGeometry(850, 0, 50, 50);
    btnNext->setGeometry(900, 0, 50, 50);
    btnHome->setGeometry(950, 0, 50, 50);

    // On press, not on click: the page changes at mouse-down.
    connect(btnPrevious, SIGNAL(pressed()), this, SLOT(sltBtnPreviousPressed()));
    connect(btnNext, SIGNAL(pressed()), this, SLOT(sltBtnNextPressed()));
    connect(btnHome, SIGNAL(pressed()), this, SLOT(sltBtnHomePressed()));
    connect(&background, SIGNAL(sigChanged()), this, SLOT(update()));
}

AbstractQuorvelWidget::~AbstractQuorvelWidget()
{
    delete btnPrevious;
    delete btnNext;
    delete btnHome;
}

QStringList AbstractQuorvelWidget::navigationPictures()
{
    QStringList names;
    for (const char *name : navigationIcons)
        names << QString::fromUtf8(name);
    return names;
}

void AbstractQuorvelWidget::initPage()
{
}

void AbstractQuorvelWidget::setNavigationTargets(PageId previous, PageId next, PageId home)
{
    previousPageId = previous;
    nextPageId = next;
    homePageId = home;
    if (previousPageId == NoPageId)
        btnPrevious->setHidden(true);
    if (nextPageId == NoPageId)
        btnNext->setHidden(true);
    if (homePageId == NoPageId)
        btnHome->setHidden(true);
}

void AbstractQuorvelWidget::setPicturePath(const QString &path)
{
    picturePath = path;
}

void AbstractQuorvelWidget::sltBtnPreviousPressed()
{
    emit sigOpenWidget(previousPageId);
}

void AbstractQuorvelWidget::sltBtnNextPressed()
{
    emit sigOpenWidget(nextPageId);
}

void AbstractQuorvelWidget::sltBtnHomePressed()
{
    emit sigOpenWidget(homePageId);
}

void AbstractQuorvelWidget::paintEvent(QPaintEvent *)
{
    if (picturePath.isEmpty())
        return;
    QPainter painter(this);
    // Decoded straight to the size the page covers in device pixels, so that
    // under scaling it is drawn pixel for pixel; kept while the file is
    // unchanged.
    const QSize pixels = painter.deviceTransform().mapRect(QRectF(rect())).size().toSize();
    const QImage picture = background.picture(picturePath, pixels);
    if (!picture.isNull())
        painter.drawImage(rect(), picture);
}

void AbstractQuorvelWidget::showEvent(QShowEvent *)
{
    background.watch(picturePath);
}

void AbstractQuorvelWidget::hideEvent(QHideEvent *)
{
    background.unwatch();
}
