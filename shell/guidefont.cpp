#include "guidefont.h"

QFont guideFont()
{
    QFont font;
    font.setFamily(QStringLiteral("Microsoft JhengHei"));
    font.setPixelSize(26);
    font.setWeight(QFont::Bold);
    return font;
}
