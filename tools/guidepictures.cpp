#include "guidepictures.h"

#include "guidesurvey.h"

#include "shell/abstractquorvelwidget.h"

namespace GuidePictures {

QVector<QString> pagePictures()
{
    QVector<QString> names;
    for (const GuideSurvey::Page &page : GuideSurvey::survey())
        names.append(page.picture);
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

bool isIcon(const QString &name)
{
    return name.endsWith(QLatin1String(".png"));
}

} // namespace GuidePictures
