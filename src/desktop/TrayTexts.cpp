#include "TrayTexts.h"

#include "StringTable.h"

#include <QVersionNumber>

namespace TrayTexts {

namespace {
QString Text(const QString& languageIndex, int n, qsizetype maxLength)
{
    return StringTable::LoadResString(StringTable::TextId(languageIndex, n))
        .value_or(QString())
        .left(maxLength);
}
} // namespace

QString VersionText()
{
    // Normalised through QVersionNumber so that "01.05.018" could never leak through.
    return QVersionNumber::fromString(QStringLiteral(VERBALTO_VERSION)).toString();
}

Record Fill(const QString& languageIndex)
{
    Record r;
    r.szTip = Text(languageIndex, 19, 127);
    r.szInfoTitle = Text(languageIndex, 17, 63);
    r.szInfo = QString(Text(languageIndex, 20, 255) + QLatin1Char(' ') + VersionText()).left(255);
    return r;
}

} // namespace TrayTexts
