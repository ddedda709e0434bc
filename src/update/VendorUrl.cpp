#include "VendorUrl.h"

namespace VendorUrl {

QString Base()
{
    QString base = qEnvironmentVariable("VERBALTO_VENDOR_URL").trimmed();
    if (base.isEmpty())
        base = QStringLiteral("http://verbalto.example");
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QUrl At(const QString& path)
{
    return QUrl(Base() + path);
}

QUrl UpdateList()
{
    return At(QStringLiteral("/Vbxpatch/Patchwell2.txt"));
}

QUrl ProductPage()
{
    return At(QStringLiteral("/verbalto.html"));
}

} // namespace VendorUrl
