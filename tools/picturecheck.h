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
    Damaged, // decodes only in part
    OverBudget, // declares more pixels than the guide will decode
    TooCostly, // too much work or memory to decode: scans, compressed text, file size
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
};

// Every picture the guide reads, in the order of GuidePictures::all().
QVector<Finding> check(const QString &folder);
Finding checkOne(const QString &folder, const QString &name);

// Missing, empty, unreadable, over budget or damaged: the guide would show a
// blank or broken page, or a button without its icon.
bool isFault(Status status);
QString statusName(Status status);

QString toText(const QVector<Finding> &findings, const QString &folder);
QString toJson(const QVector<Finding> &findings, const QString &folder);

} // namespace PictureCheck

#endif
