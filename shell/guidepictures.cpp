#include "guidepictures.h"

#include "abstractquorvelwidget.h"
#include "basewidget.h"

namespace GuidePictures {

QVector<QString> pagePictures()
{
    QVector<QString> names(PageCount);
    Basewidget window;
    for (PageId id = 0; id < PageCount; ++id) {
        window.sltOpenWidget(id);
        names[id] = pictureName(window.page()->picturePath);
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
