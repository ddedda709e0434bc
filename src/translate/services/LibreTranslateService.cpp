// LibreTranslate: a self-hosted (or paid) neural translation server.
#include "FormEncoding.h"
#include "ServiceSupport.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace ServiceSupport;

namespace {

// Older servers spell Chinese "zh" and "zt"; newer ones "zh-Hans" and "zh-Hant".
const CodeMap kCodes = {{"zh-CN", {"zh-Hans", "zh"}},
                        {"zh-TW", {"zh-Hant", "zt"}},
                        {"iw", {"he", "iw"}},
                        {"no", {"nb", "no"}},
                        {"tl", {"tl", "fil"}}};

class LibreTranslateService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    ServiceReply Translate(const ServiceRequest& request) override
    {
        const QString lang = request.interfaceLanguage;
        const LanguageList offered = fetchLanguages(lang);
        if (offered.outcome.failure != ServiceFailure::None)
            return Failed(offered.outcome);
        // Items are "code|target target ...": the codes first, for the spelling.
        QStringList codes;
        for (const QString& item : offered.items)
            codes.append(item.section(u'|', 0, 0));
        const QString source = request.source.isEmpty()
                                   ? QStringLiteral("auto")
                                   : ToServiceCode(kCodes, request.source, codes);
        const QString target = ToServiceCode(kCodes, request.target, codes);
        const bool refused =
            source.isEmpty() || target.isEmpty() || !offersPair(offered.items, source, target);
        // A list kept from an earlier run may predate the pair: ask once more.
        if (refused && RefreshKeptList(name(), baseUrl()))
            return Translate(request);
        if (refused)
            return PairNotOffered(lang, name(), request.source, request.target);

        const QString key = settings().key.trimmed();
        QByteArray body = FormBody({{"q", request.text},
                                    {"source", source},
                                    {"target", target},
                                    {"format", QStringLiteral("text")}});
        if (!key.isEmpty())
            body += "&api_key=" + FormEncoding::Encode(key);
        ServiceReply failed;
        const HttpResult http =
            PostForm(*this, settings().timeoutMs, QStringLiteral("/translate"), body, lang, failed);
        if (!failed.ok())
            return failed;

        const QJsonObject json = ParseJson(http.body).object();
        ServiceReply reply;
        if (http.status != 200) {
            reply = StatusFailure(http.status, json.value(QLatin1String("error")).toString(), lang,
                                  name());
        } else if (!json.value(QLatin1String("translatedText")).isString()) {
            reply = Refused(Say(lang, 226, {ServiceName(lang, name())}));
        } else {
            reply.result.translation =
                WithCrLf(json.value(QLatin1String("translatedText")).toString());
            reply.detected = FromServiceCode(kCodes, json.value(QLatin1String("detectedLanguage"))
                                                         .toObject()
                                                         .value(QLatin1String("language"))
                                                         .toString());
        }
        reply.status = http.status;
        reply.raw = http.body;
        return reply;
    }

    ServiceLanguages Languages(const QString& interfaceLanguage) override
    {
        return Offered(fetchLanguages(interfaceLanguage), interfaceLanguage, name(), 215);
    }

  private:
    LanguageList fetchLanguages(const QString& lang)
    {
        return FetchList(
            *this, settings().timeoutMs, QStringLiteral("/languages"), lang,
            [](const QJsonDocument& json, QStringList& items) {
                for (const QJsonValue& language : json.array()) {
                    const QJsonObject o = language.toObject();
                    QStringList targets;
                    for (const QJsonValue& t : o.value(QLatin1String("targets")).toArray())
                        targets.append(t.toString());
                    items.append(o.value(QLatin1String("code")).toString() + u'|' +
                                 targets.join(u' '));
                }
                return json.isArray();
            },
            "error");
    }

    // Servers that list no targets for a language translate it into every other one.
    static bool offersPair(const QStringList& items, const QString& source, const QString& target)
    {
        if (source == target)
            return false;
        for (const QString& item : items) {
            const QString code = item.section(u'|', 0, 0);
            if (code != source && !(source == QLatin1String("auto") && code == target))
                continue;
            if (source == QLatin1String("auto"))
                return true;
            const QStringList targets = item.section(u'|', 1).split(u' ', Qt::SkipEmptyParts);
            return targets.isEmpty() || targets.contains(target);
        }
        return false;
    }
};

} // namespace

std::unique_ptr<TranslationService> MakeLibreTranslateService(ServiceSettings settings)
{
    return std::make_unique<LibreTranslateService>(std::move(settings));
}
