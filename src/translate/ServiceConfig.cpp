#include "ServiceConfig.h"

namespace ServiceConfig {
namespace {
QString fromEnv(const char* name, const char* fallback)
{
    QString url = qEnvironmentVariable(name);
    if (url.trimmed().isEmpty())
        url = QString::fromLatin1(fallback);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}
} // namespace

QString TranslateBaseUrl()
{
    return fromEnv("VERBALTO_TRANSLATE_URL", "http://translate.google.com");
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
