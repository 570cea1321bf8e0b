#include "guidefont.h"

namespace {

constexpr char Family[] = "Microsoft JhengHei";

// Where the family is missing (Wine, most Linux systems, a Windows without its
// Traditional Chinese fonts) Qt would take whatever its matching finds; on
// Wine that was a math font whose lines are 111 pixels high, too high for the
// model list. These plain families stand in, the first one installed.
const char *const StandIns[] = {"Microsoft YaHei", "Segoe UI", "Arial", "Tahoma", "DejaVu Sans", "Liberation Sans"};

} // namespace

QFont guideFont()
{
    const QString family = QLatin1String(Family);
    if (QFont::substitutes(family).isEmpty()) {
        for (const char *standIn : StandIns)
            QFont::insertSubstitution(family, QLatin1String(standIn));
    }
    QFont font;
    font.setFamily(family);
    font.setPixelSize(26);
    font.setWeight(QFont::Bold);
    return font;
}
