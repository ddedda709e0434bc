// Where the translation service and the vendor's server are; tests point both at loopback.
#pragma once

#include <QString>

namespace ServiceConfig {

// The page service's compiled-in address.
inline constexpr char kTranslateDefault[] = "http://translate.google.com";

// VERBALTO_TRANSLATE_URL, default http://translate.google.com; never ends in "/".
QString TranslateBaseUrl();
// VERBALTO_VENDOR_URL, default http://verbalto.example; never ends in "/".
QString VendorBaseUrl();
// The vendor's product page.
QString ProductPageUrl();
// An address without the "/" at its end, so that paths can follow it.
QString WithoutTrailingSlash(QString url);

} // namespace ServiceConfig
