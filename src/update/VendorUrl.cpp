#include "VendorUrl.h"

#include "ServiceConfig.h"

namespace VendorUrl {

QString Base()
{
    return ServiceConfig::VendorBaseUrl();
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
    return QUrl(ServiceConfig::ProductPageUrl());
}

} // namespace VendorUrl
