// The Google web API that open translators use. It is not documented: the reply comes as an
// object (dj=1) or, from some deployments, as nested arrays; both are read.
#include "LanguageCatalogue.h"
#include "ServiceSupport.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>

using namespace ServiceSupport;

namespace {

// The dictionary as the page service lays it out: "noun:" CR LF, then "1. word" CR LF ...
void addDictionaryEntry(QString& out, const QString& partOfSpeech, const QJsonArray& words)
{
    out += partOfSpeech + QStringLiteral(":\r\n");
    int number = 0;
    for (const QJsonValue& word : words)
        out += QString::number(++number) + QStringLiteral(". ") + word.toString() +
               QStringLiteral("\r\n");
}

bool readObjectForm(const QJsonObject& json, ServiceReply& reply)
{
    if (!json.contains(QLatin1String("sentences")))
        return false;
    for (const QJsonValue& value : json.value(QLatin1String("sentences")).toArray()) {
        const QJsonObject sentence = value.toObject();
        reply.result.translation += sentence.value(QLatin1String("trans")).toString();
        reply.result.romanization += sentence.value(QLatin1String("translit")).toString();
    }
    for (const QJsonValue& value : json.value(QLatin1String("dict")).toArray()) {
        const QJsonObject entry = value.toObject();
        addDictionaryEntry(reply.result.dictionary, entry.value(QLatin1String("pos")).toString(),
                           entry.value(QLatin1String("terms")).toArray());
    }
    reply.detected = FromServiceCode({}, json.value(QLatin1String("src")).toString());
    return true;
}

bool readArrayForm(const QJsonArray& json, ServiceReply& reply)
{
    if (!json.at(0).isArray())
        return false;
    for (const QJsonValue& value : json.at(0).toArray()) {
        const QJsonArray piece = value.toArray();
        reply.result.translation += piece.at(0).toString();
        reply.result.romanization += piece.at(2).toString();
    }
    for (const QJsonValue& value : json.at(1).toArray()) {
        const QJsonArray entry = value.toArray();
        addDictionaryEntry(reply.result.dictionary, entry.at(0).toString(), entry.at(1).toArray());
    }
    reply.detected = FromServiceCode({}, json.at(2).toString());
    return true;
}

class GoogleWebService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    ServiceReply Translate(const ServiceRequest& request) override
    {
        const QString lang = request.interfaceLanguage;
        QUrlQuery query;
        query.setQueryItems({{QStringLiteral("client"), QStringLiteral("gtx")},
                             {QStringLiteral("dj"), QStringLiteral("1")},
                             {QStringLiteral("dt"), QStringLiteral("t")},
                             {QStringLiteral("dt"), QStringLiteral("rm")},
                             {QStringLiteral("dt"), QStringLiteral("bd")},
                             {QStringLiteral("ie"), QStringLiteral("UTF-8")},
                             {QStringLiteral("oe"), QStringLiteral("UTF-8")},
                             {QStringLiteral("sl"),
                              request.source.isEmpty() ? QStringLiteral("auto") : request.source},
                             {QStringLiteral("tl"), request.target},
                             {QStringLiteral("hl"), request.host},
                             {QStringLiteral("q"), request.text}});
        QUrl url(baseUrl() + QStringLiteral("/translate_a/single"));
        // Every reserved character of the text is escaped, "+" and "&" included.
        url.setQuery(
            query.query(QUrl::FullyEncoded).replace(QLatin1Char('+'), QLatin1String("%2B")));
        QElapsedTimer clock;
        clock.start();
        const HttpResult http = HttpTransport::Get(url, false, settings().timeoutMs);
        const QString shown = baseUrl() + QStringLiteral("/translate_a/single");
        if (NoUsableReply(http))
            return NoReply(shown, http, clock.elapsed(), settings().timeoutMs, lang, name());

        ServiceReply reply;
        const QJsonDocument json = ParseJson(http.body);
        // A page asking the user to prove they are human is the service limiting requests.
        if (LooksLikeHtml(http))
            reply = StatusFailure(429, {}, lang, name());
        else if (http.status != 200)
            reply = StatusFailure(http.status, {}, lang, name());
        else if (!(json.isObject() && readObjectForm(json.object(), reply)) &&
                 !(json.isArray() && readArrayForm(json.array(), reply)))
            reply = Refused(Say(lang, 226, {ServiceName(lang, name())}));
        if (reply.ok()) {
            reply.result.translation = WithCrLf(reply.result.translation);
            reply.result.romanization = WithCrLf(reply.result.romanization);
        } else {
            reply.result = {};
        }
        reply.status = http.status;
        reply.raw = http.body;
        return reply;
    }

    // No language list is published: one small translation shows that the service answers.
    ServiceLanguages Languages(const QString& interfaceLanguage) override
    {
        ServiceRequest probe;
        probe.text = QStringLiteral("Hello");
        probe.source = QStringLiteral("en");
        probe.target = QStringLiteral("fr");
        probe.host = QStringLiteral("en");
        probe.interfaceLanguage = interfaceLanguage;
        const ServiceReply reply = Translate(probe);
        if (!reply.ok())
            return {reply.failure, reply.message, 0};
        return {ServiceFailure::None,
                Say(interfaceLanguage, 215,
                    {ServiceName(interfaceLanguage, name()),
                     QString::number(LanguageCatalogue::kCount)}),
                LanguageCatalogue::kCount};
    }
};

} // namespace

std::unique_ptr<TranslationService> MakeGoogleWebService(ServiceSettings settings)
{
    return std::make_unique<GoogleWebService>(std::move(settings));
}
