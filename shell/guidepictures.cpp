#include "guidepictures.h"

#include "abstractquorvelwidget.h"
#include "basewidget.h"

namespace GuidePictures {

QVector<QString> pagePictures()
{
    const int prefix = pictureFile("").size();
    QVector<QString> names(PageCount);
    Basewidget window;
    for (PageId id = 0; id < PageCount; ++id) {
        window.sltOpenWidget(id);
        names[id] = window.page()->picturePath.mid(prefix);
    }
    return names;
}

QStringList all()
{
    QStringList names = AbstractQuorvelWidget::navigationPictures();
    for (const QString &name : pagePictures()) {
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    return names;
}

} // namespace GuidePictures
