// The DeepL API v2: needs a key; free keys (ending in ":fx") have a host of their own.
#include "ServiceSupport.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace ServiceSupport;

namespace {

// Target spellings, most wanted first; sources are the language without its region.
const CodeMap kTargets = {{"en", {"EN-US", "EN-GB", "EN"}},
                          {"pt", {"PT-PT", "PT-BR", "PT"}},
                          {"zh-CN", {"ZH-HANS", "ZH"}},
                          {"zh-TW", {"ZH-HANT"}},
                          {"iw", {"HE"}},
                          {"no", {"NB"}}};

QString sourceCode(const QString& code)
{
    if (code == QLatin1String("iw"))
        return QStringLiteral("HE");
    if (code == QLatin1String("no"))
        return QStringLiteral("NB");
    return code.section(u'-', 0, 0).toUpper();
}

class DeeplService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    ServiceReply Translate(const ServiceRequest& request) override
    {
        const QString lang = request.interfaceLanguage;
        if (settings().key.trimmed().isEmpty())
            return Refused(Say(lang, 229, {ServiceName(lang, name())}));
        const LanguageList offered = fetchTargets(lang);
        if (offered.outcome.failure != ServiceFailure::None)
            return Failed(offered.outcome);
        const QString target = ToServiceCode(kTargets, request.target, offered.items);
        // A list kept from an earlier run may predate the target: ask once more.
        if (target.isEmpty() && RefreshKeptList(name(), baseUrl()))
            return Translate(request);
        if (target.isEmpty() || sourceCode(request.source) == target.section(u'-', 0, 0))
            return PairNotOffered(lang, name(), request.source, request.target);

        QByteArray body = FormBody({{"text", request.text}, {"target_lang", target}});
        if (!request.source.isEmpty())
            body += '&' + FormBody({{"source_lang", sourceCode(request.source)}});
        ServiceReply failed;
        const HttpResult http =
            PostForm(*this, settings().timeoutMs, QStringLiteral("/v2/translate"), body, lang,
                     failed, authorization());
        if (!failed.ok())
            return failed;

        const QJsonObject json = ParseJson(http.body).object();
        ServiceReply reply;
        const QJsonObject first =
            json.value(QLatin1String("translations")).toArray().at(0).toObject();
        if (http.status != 200) {
            reply = StatusFailure(http.status, json.value(QLatin1String("message")).toString(),
                                  lang, name());
        } else if (!first.value(QLatin1String("text")).isString()) {
            reply = Refused(Say(lang, 226, {ServiceName(lang, name())}));
        } else {
            reply.result.translation = WithCrLf(first.value(QLatin1String("text")).toString());
            reply.detected = FromServiceCode(
                kTargets, first.value(QLatin1String("detected_source_language")).toString());
        }
        reply.status = http.status;
        reply.raw = http.body;
        return reply;
    }

    ServiceLanguages Languages(const QString& interfaceLanguage) override
    {
        if (settings().key.trimmed().isEmpty())
            return {ServiceFailure::Refused,
                    Say(interfaceLanguage, 229, {ServiceName(interfaceLanguage, name())}), 0};
        return Offered(fetchTargets(interfaceLanguage), interfaceLanguage, name(), 215);
    }

  private:
    HttpTransport::Headers authorization() const
    {
        return {{"Authorization", "DeepL-Auth-Key " + settings().key.trimmed().toUtf8()}};
    }

    LanguageList fetchTargets(const QString& lang)
    {
        return FetchList(
            *this, settings().timeoutMs, QStringLiteral("/v2/languages?type=target"), lang,
            [](const QJsonDocument& json, QStringList& items) {
                for (const QJsonValue& language : json.array())
                    items.append(language.toObject().value(QLatin1String("language")).toString());
                return json.isArray();
            },
            "message", authorization());
    }
};

} // namespace

std::unique_ptr<TranslationService> MakeDeeplService(ServiceSettings settings)
{
    return std::make_unique<DeeplService>(std::move(settings));
}
