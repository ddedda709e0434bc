#include "UiFont.h"

#include "ResourceBytes.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QStringList>

namespace UiFont {

QString Family()
{
    static const QString family = [] {
        // Stored uncompressed: FreeType reads the program's own pages, nothing is copied.
        bool inPlace = false;
        const QByteArray cut = ResourceBytes(QStringLiteral(":/fonts/VerbaltoUI.ttf"), &inPlace);
        const int id = inPlace ? QFontDatabase::addApplicationFontFromData(cut) : -1;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("WenQuanYi Micro Hei") : families.first();
    }();
    return family;
}

} // namespace UiFont
