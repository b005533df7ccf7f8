#include "platform/qt/qt_font_names.h"

#include <cctype>
#include <cstring>

namespace vx {

QFont fontForName(const char* name, int pixelSize) {
    QString family = QString::fromLatin1(name);
    QString style;
    const char* dash = std::strrchr(name, '-');
    if (dash && !std::strchr(name, ' ')) {
        family.clear();
        for (const char* p = name; p < dash; ++p) {
            if (p != name && std::isupper(static_cast<unsigned char>(*p)) &&
                std::islower(static_cast<unsigned char>(p[-1])))
                family += QLatin1Char(' ');
            family += QLatin1Char(*p);
        }
        style = QString::fromLatin1(dash + 1).toLower();
    }
    QFont font(family);
    // The screen's boxes were measured for the narrow Mac sans faces. Where the asked face is
    // missing, a face with Helvetica's metrics keeps every text in its box; fontconfig's own
    // pick (DejaVu Sans here) is about a tenth wider and cut texts short.
    font.setFamilies(QStringList{family, QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize > 0 ? pixelSize : 1);
    if (style.contains(QLatin1String("bold"))) font.setWeight(QFont::Bold);
    if (style.contains(QLatin1String("italic")) || style.contains(QLatin1String("oblique")))
        font.setItalic(true);
    return font;
}

} // namespace vx
