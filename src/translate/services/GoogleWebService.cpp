// The Google web API that open translators use. It is not documented: the reply comes as an
// object (dj=1) or, from some deployments, as nested arrays; both are read.
#include "LanguageCatalogue.h"
#include "ServiceSupport.h"
#include "TextParts.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrlQuery>

#include <array>
#include <functional>

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
    // An answer without a single translated sentence is no translation, not an empty one.
    bool translated = false;
    for (const QJsonValue& value : json.value(QLatin1String("sentences")).toArray()) {
        const QJsonObject sentence = value.toObject();
        translated = translated || sentence.value(QLatin1String("trans")).isString();
        reply.result.translation += sentence.value(QLatin1String("trans")).toString();
        reply.result.romanization += sentence.value(QLatin1String("translit")).toString();
    }
    for (const QJsonValue& value : json.value(QLatin1String("dict")).toArray()) {
        const QJsonObject entry = value.toObject();
        addDictionaryEntry(reply.result.dictionary, entry.value(QLatin1String("pos")).toString(),
                           entry.value(QLatin1String("terms")).toArray());
    }
    reply.detected = FromServiceCode({}, json.value(QLatin1String("src")).toString());
    return translated;
}

bool readArrayForm(const QJsonArray& json, ServiceReply& reply)
{
    bool translated = false;
    for (const QJsonValue& value : json.at(0).toArray()) {
        const QJsonArray piece = value.toArray();
        translated = translated || piece.at(0).isString();
        reply.result.translation += piece.at(0).toString();
        reply.result.romanization += piece.at(2).toString();
    }
    for (const QJsonValue& value : json.at(1).toArray()) {
        const QJsonArray entry = value.toArray();
        addDictionaryEntry(reply.result.dictionary, entry.at(0).toString(), entry.at(1).toArray());
    }
    reply.detected = FromServiceCode({}, json.at(2).toString());
    return translated;
}

// One request carries at most this much text (UTF-16 code units), in an address of at most
// this many bytes: the web API takes no more, and front ends refuse longer addresses.
constexpr qsizetype kMaxPartUnits = 5000;
constexpr qsizetype kMaxAddressBytes = 8000;

class GoogleWebService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    ServiceReply Translate(const ServiceRequest& request) override
    {
        if (request.text.size() <= kMaxPartUnits) {
            const QUrl whole = address(request, request.text);
            if (whole.toEncoded().size() <= kMaxAddressBytes)
                return ask(whole, request.interfaceLanguage);
        }
        return translateInParts(request);
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

  private:
    QUrl address(const ServiceRequest& request, const QString& text) const
    {
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
                             {QStringLiteral("q"), text}});
        QUrl url(baseUrl() + QStringLiteral("/translate_a/single"));
        // Every reserved character of the text is escaped, "+" and "&" included.
        url.setQuery(
            query.query(QUrl::FullyEncoded).replace(QLatin1Char('+'), QLatin1String("%2B")));
        return url;
    }

    ServiceReply ask(const QUrl& url, const QString& lang) const
    {
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

    // What each character adds to the address: measured on the encoding itself for ASCII;
    // every UTF-8 byte of anything else is escaped (a lone surrogate goes as U+FFFD).
    std::function<qsizetype(char32_t)> byteCost(const ServiceRequest& request, qsizetype bare) const
    {
        std::array<qsizetype, 128> ascii{};
        for (char16_t c = 0; c < 128; ++c)
            ascii[c] = address(request, QString(QChar(c))).toEncoded().size() - bare;
        return [ascii](char32_t c) -> qsizetype {
            if (c < 0x80)
                return ascii[c];
            return 3 * (c < 0x800 ? 2 : c < 0x10000 ? 3 : 4);
        };
    }

    // The parts are asked in order and their translations joined with the whitespace cut
    // between them. The dictionary is left out: it belongs to a text asked whole.
    ServiceReply translateInParts(const ServiceRequest& request) const
    {
        // Not a null string: that would leave out the "=" after "q".
        const qsizetype bare = address(request, QStringLiteral("")).toEncoded().size();
        const TextParts::Limits limits{kMaxPartUnits, kMaxAddressBytes - bare,
                                       byteCost(request, bare)};
        ServiceReply joined;
        TranslationResult& result = joined.result;
        bool asked = false;
        bool romanized = false;
        for (const TextParts::Part& part : TextParts::Split(request.text, limits)) {
            const QString separator = WithCrLf(part.separator.toString());
            if (part.text.trimmed().isEmpty()) {
                const QString blank = WithCrLf(part.text.toString()) + separator;
                result.translation += blank;
                result.romanization += blank;
                continue;
            }
            ServiceReply piece =
                ask(address(request, part.text.toString()), request.interfaceLanguage);
            if (!piece.ok())
                return piece;
            if (!asked)
                joined.detected = piece.detected;
            // Every reply for the reply box, a line each; the command line keeps only the first.
            if (asked && request.keepRaw)
                joined.raw += '\n' + piece.raw;
            else if (!asked)
                joined.raw = std::move(piece.raw);
            joined.status = piece.status;
            romanized = romanized || !piece.result.romanization.isEmpty();
            result.translation += piece.result.translation + separator;
            result.romanization += piece.result.romanization + separator;
            asked = true;
        }
        if (!romanized)
            result.romanization.clear();
        result.translation.squeeze();
        result.romanization.squeeze();
        joined.raw.squeeze();
        return joined;
    }
};

} // namespace

std::unique_ptr<TranslationService> MakeGoogleWebService(ServiceSettings settings)
{
    return std::make_unique<GoogleWebService>(std::move(settings));
}
