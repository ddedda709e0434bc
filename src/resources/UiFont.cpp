#include "UiFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>
#include <QStringList>

namespace UiFont {

QString Family()
{
    static const QString family = [] {
        // Stored uncompressed: FreeType reads the program's own pages, nothing is copied.
        const QResource cut(QStringLiteral(":/fonts/VerbaltoUI.ttf"));
        int id = -1;
        if (cut.isValid() && cut.compressionAlgorithm() == QResource::NoCompression)
            id = QFontDatabase::addApplicationFontFromData(QByteArray::fromRawData(
                reinterpret_cast<const char*>(cut.data()), qsizetype(cut.size())));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("WenQuanYi Micro Hei") : families.first();
    }();
    return family;
}

} // namespace UiFont
