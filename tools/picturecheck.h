#ifndef PICTURECHECK_H
#define PICTURECHECK_H

#include <QSize>
#include <QString>
#include <QVector>

// Tells what the guide will make of each picture in a folder.
namespace PictureCheck {

enum class Status {
    Ok,
    Missing,
    Empty,
    Directory,
    Unreadable, // exists but cannot be opened
    NotAPicture,
    Damaged, // the decoder fails, or decodes only in part
    OverBudget, // declares more pixels than the guide will decode, or a file too large
    TooCostly, // stopped while read: too much time, memory or warnings
    Stretched, // a page picture not of the page's shape
    Scaled, // a page picture of the page's shape at another size
    OtherFormat, // e.g. PNG data behind a .jpg name; the guide still shows it
    Fitted, // an icon larger than 50 x 50
};

struct Finding
{
    QString name; // "/top.jpg"
    Status status = Status::Ok;
    QSize size; // as declared by the file, where it could be read
    QString format; // as detected from the content
    QString message;
    int readMs = 0; // processor time to read it here, as the guide does
    // A page picture that takes several times what one of the page's size
    // does: a note on this machine's time beside the verdict, never one.
    bool slow = false;
};

// Every picture the guide reads, in the order of GuidePictures::all(), each
// page picture read at the page's size times scale, as the guide will.
QVector<Finding> check(const QString &folder, double scale = 1.0);
Finding checkOne(const QString &folder, const QString &name, double scale = 1.0);

// The QT_SCALE_FACTOR a defaults file such as /etc/default/quorvel-guide sets;
// scale, the one an earlier file set, when it sets none.
double scaleFromDefaults(const QString &path, double scale = 1.0);

// Missing, empty, unreadable, over budget or damaged: the guide would show a
// blank or broken page, or a button without its icon.
bool isFault(Status status);
QString statusName(Status status);

QString toText(const QVector<Finding> &findings, const QString &folder);
QString toJson(const QVector<Finding> &findings, const QString &folder);

} // namespace PictureCheck

#endif
