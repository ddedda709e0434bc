#include "TranslationService.h"

#include "ServiceConfig.h"
#include "services/ServiceSupport.h"

#include <array>

namespace {

struct ServiceEntry
{
    const char* name;
    const char* description;
    int menuText;
    const char* defaultUrl;
    std::unique_ptr<TranslationService> (*make)(ServiceSettings);
};

const std::array<ServiceEntry, 5> kServices = {{
    {"page", "the Google Translate web page (no longer answers with a translation)", 202,
     ServiceConfig::kTranslateDefault, MakePageService},
    {"apertium", "Apertium, free and on this computer (apt install apertium apertium-eng-spa)", 203,
     "http://127.0.0.1:2737", MakeApertiumService},
    {"libretranslate", "a LibreTranslate server (--service-url, --api-key where it needs one)", 204,
     "http://127.0.0.1:5000", MakeLibreTranslateService},
    {"deepl", "the DeepL API v2 (needs --api-key or VERBALTO_API_KEY)", 205,
     "https://api.deepl.com", MakeDeeplService},
    {"google-web", "the Google web API (the default; not documented; may limit requests)", 206,
     "https://translate.googleapis.com", MakeGoogleWebService},
}};

constexpr std::size_t kDefault = 4; // google-web: the page no longer answers

const ServiceEntry& entryOf(const QString& name)
{
    for (const ServiceEntry& entry : kServices) {
        if (name == QLatin1String(entry.name))
            return entry;
    }
    return kServices[kDefault];
}

} // namespace

TranslationService::TranslationService(ServiceSettings settings) : m_settings(std::move(settings))
{
}

QString TranslationService::baseUrl() const
{
    QString url = m_settings.url.trimmed();
    if (url.isEmpty())
        url = TranslationServices::DefaultUrl(m_settings.name, m_settings.key);
    return ServiceConfig::WithoutTrailingSlash(url);
}

namespace TranslationServices {

QStringList Names()
{
    QStringList names;
    for (const ServiceEntry& entry : kServices)
        names.append(QLatin1String(entry.name));
    return names;
}

QString DefaultName()
{
    return QLatin1String(kServices[kDefault].name);
}

bool IsKnown(const QString& name)
{
    return Names().contains(name);
}

QString Normalized(const QString& name)
{
    return QLatin1String(entryOf(name).name);
}

QString Description(const QString& name)
{
    return QLatin1String(entryOf(name).description);
}

int MenuText(const QString& name)
{
    return entryOf(name).menuText;
}

QString DefaultUrl(const QString& name, const QString& key)
{
    // DeepL serves free keys, which end in ":fx", from a host of their own.
    if (Normalized(name) == QLatin1String("deepl") && key.trimmed().endsWith(QLatin1String(":fx")))
        return QStringLiteral("https://api-free.deepl.com");
    return QLatin1String(entryOf(name).defaultUrl);
}

std::unique_ptr<TranslationService> Make(ServiceSettings settings)
{
    settings.name = Normalized(settings.name);
    return entryOf(settings.name).make(std::move(settings));
}

} // namespace TranslationServices
