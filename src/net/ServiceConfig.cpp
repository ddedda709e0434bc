#include "ServiceConfig.h"

namespace ServiceConfig {
namespace {
QString fromEnv(const char* name, const char* fallback)
{
    QString url = qEnvironmentVariable(name);
    if (url.trimmed().isEmpty())
        url = QString::fromLatin1(fallback);
    return WithoutTrailingSlash(url);
}
} // namespace

QString WithoutTrailingSlash(QString url)
{
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

QString TranslateBaseUrl()
{
    return fromEnv("VERBALTO_TRANSLATE_URL", kTranslateDefault);
}

QString VendorBaseUrl()
{
    return fromEnv("VERBALTO_VENDOR_URL", "http://verbalto.example");
}

QString ProductPageUrl()
{
    return VendorBaseUrl() + QStringLiteral("/verbalto.html");
}

} // namespace ServiceConfig
