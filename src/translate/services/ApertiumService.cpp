// Apertium APY: rule-based translation by language pair, often running on the user's machine.
#include "FormEncoding.h"
#include "LocalApertium.h"
#include "ServiceSupport.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace ServiceSupport;

namespace {

// APY names languages by their three-letter codes; pairs may add a variant ("eng_US").
const CodeMap kCodes = {{"af", {"afr"}},
                        {"sq", {"sqi"}},
                        {"ar", {"ara"}},
                        {"hy", {"hye"}},
                        {"az", {"aze"}},
                        {"eu", {"eus"}},
                        {"be", {"bel"}},
                        {"bg", {"bul"}},
                        {"ca", {"cat"}},
                        {"zh-CN", {"zho"}},
                        {"zh-TW", {"zho"}},
                        {"hr", {"hrv", "hbs_HR"}},
                        {"cs", {"ces"}},
                        {"da", {"dan"}},
                        {"nl", {"nld"}},
                        {"en", {"eng"}},
                        {"et", {"est"}},
                        {"tl", {"tgl"}},
                        {"fi", {"fin"}},
                        {"fr", {"fra"}},
                        {"gl", {"glg"}},
                        {"ka", {"kat"}},
                        {"de", {"deu"}},
                        {"el", {"ell"}},
                        {"ht", {"hat"}},
                        {"iw", {"heb"}},
                        {"hi", {"hin"}},
                        {"hu", {"hun"}},
                        {"is", {"isl"}},
                        {"id", {"ind"}},
                        {"ga", {"gle"}},
                        {"it", {"ita"}},
                        {"ja", {"jpn"}},
                        {"ko", {"kor"}},
                        {"la", {"lat"}},
                        {"lv", {"lav"}},
                        {"lt", {"lit"}},
                        {"mk", {"mkd"}},
                        {"ms", {"msa", "zlm"}},
                        {"mt", {"mlt"}},
                        {"no", {"nob", "nno"}},
                        {"fa", {"fas", "pes"}},
                        {"pl", {"pol"}},
                        {"pt", {"por"}},
                        {"ro", {"ron"}},
                        {"ru", {"rus"}},
                        {"sr", {"srp", "hbs_SR"}},
                        {"sk", {"slk"}},
                        {"sl", {"slv"}},
                        {"es", {"spa"}},
                        {"sw", {"swa"}},
                        {"sv", {"swe"}},
                        {"th", {"tha"}},
                        {"tr", {"tur"}},
                        {"uk", {"ukr"}},
                        {"ur", {"urd"}},
                        {"vi", {"vie"}},
                        {"cy", {"cym"}},
                        {"yi", {"yid"}}};

QString baseOf(const QString& apertiumCode)
{
    return apertiumCode.section(QLatin1Char('_'), 0, 0);
}

class ApertiumService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    ServiceReply Translate(const ServiceRequest& request) override
    {
        const QString lang = request.interfaceLanguage;
        const LanguageList pairs = availablePairs(lang);
        const bool here = pairs.outcome.failure == ServiceFailure::None && m_here;
        QString source = request.source;
        QString detected;
        if (source.isEmpty()) {
            detected = here ? QString() : identify(request.text);
            if (detected.isEmpty())
                return Refused(Say(lang, 221, {ServiceName(lang, name())}));
            source = detected;
        }
        if (pairs.outcome.failure != ServiceFailure::None)
            return Failed(pairs.outcome);
        const QString pair = choosePair(pairs.items, source, request.target);
        // A list kept from an earlier run may predate the pair: ask once more.
        if (pair.isEmpty() && RefreshKeptList(name(), baseUrl()))
            return Translate(request);
        if (pair.isEmpty()) {
            ServiceReply refused = PairNotOffered(lang, name(), source, request.target);
            refused.message += u' ' + Say(lang, 220, {describePairs(pairs.items, lang)});
            return refused;
        }
        ServiceReply reply = here ? translateHere(pair, request) : translateThere(pair, request);
        reply.detected = detected;
        return reply;
    }

    ServiceLanguages Languages(const QString& interfaceLanguage) override
    {
        const LanguageList pairs = availablePairs(interfaceLanguage);
        return Offered(pairs, interfaceLanguage, name(), 216,
                       describePairs(pairs.items, interfaceLanguage));
    }

  private:
    // Without an address of its own, the service is a server already answering at the default
    // address, else Debian's Apertium run here: its pairs are the installed modes.
    LanguageList availablePairs(const QString& lang)
    {
        m_here = false;
        const LanguageList served = fetchPairs(lang);
        if (!settings().url.trimmed().isEmpty() ||
            served.outcome.failure != ServiceFailure::Unreachable)
            return served;
        m_here = true;
        LanguageList installed;
        installed.items = LocalApertium::Pairs();
        installed.outcome.count = int(installed.items.size());
        return installed;
    }

    ServiceReply translateHere(const QString& pair, const ServiceRequest& request)
    {
        const LocalApertium::Outcome outcome =
            LocalApertium::Translate(pair, request.text, settings().timeoutMs);
        ServiceReply reply;
        if (!outcome.ok) {
            reply.failure = ServiceFailure::Unreachable;
            reply.message = Say(request.interfaceLanguage, 217,
                                {ServiceName(request.interfaceLanguage, name()),
                                 LocalApertium::ModesFolder(), outcome.error});
            return reply;
        }
        reply.result.translation = WithCrLf(outcome.text);
        reply.status = 200;
        if (request.keepRaw)
            reply.raw = outcome.text.toUtf8();
        return reply;
    }

    ServiceReply translateThere(const QString& pair, const ServiceRequest& request)
    {
        const QString lang = request.interfaceLanguage;
        // The pair goes with a literal "|", as APY's own examples write it.
        const QByteArray body = "langpair=" + pair.toUtf8() +
                                "&q=" + FormEncoding::Encode(request.text) + "&markUnknown=no";
        ServiceReply failed;
        const HttpResult http =
            PostForm(*this, settings().timeoutMs, QStringLiteral("/translate"), body, lang, failed);
        if (!failed.ok())
            return failed;

        ServiceReply reply;
        const QJsonObject json = ParseJson(http.body).object();
        if (http.status != 200 ||
            json.value(QLatin1String("status")).toString() == QLatin1String("error")) {
            const QString detail = json.value(QLatin1String("explanation")).toString();
            reply = StatusFailure(
                http.status == 200 ? json.value(QLatin1String("code")).toInt(400) : http.status,
                detail.isEmpty() ? json.value(QLatin1String("message")).toString() : detail, lang,
                name());
        } else {
            const QJsonValue text = json.value(QLatin1String("responseData"))
                                        .toObject()
                                        .value(QLatin1String("translatedText"));
            if (!text.isString())
                reply = Refused(Say(lang, 226, {ServiceName(lang, name())}));
            else
                reply.result.translation = WithCrLf(text.toString());
            reply.status = http.status;
        }
        reply.raw = http.body;
        return reply;
    }

    LanguageList fetchPairs(const QString& lang)
    {
        return FetchList(
            *this, settings().timeoutMs, QStringLiteral("/listPairs"), lang,
            [](const QJsonDocument& json, QStringList& items) {
                const QJsonValue data = json.object().value(QLatin1String("responseData"));
                for (const QJsonValue& pair : data.toArray()) {
                    const QJsonObject o = pair.toObject();
                    items.append(o.value(QLatin1String("sourceLanguage")).toString() + u'|' +
                                 o.value(QLatin1String("targetLanguage")).toString());
                }
                return data.isArray();
            },
            "explanation");
    }

    // The installed pair for two catalogue codes: an exact target first, then a variant.
    static QString choosePair(const QStringList& pairs, const QString& source,
                              const QString& target)
    {
        const QStringList sources = kCodes.value(source);
        const QStringList targets = kCodes.value(target);
        QString variant;
        for (const QString& pair : pairs) {
            const QString from = pair.section(u'|', 0, 0);
            const QString to = pair.section(u'|', 1);
            if (!sources.contains(from) && !sources.contains(baseOf(from)))
                continue;
            if (targets.contains(to))
                return pair;
            if (variant.isEmpty() && targets.contains(baseOf(to)))
                variant = pair;
        }
        return variant;
    }

    static QString describePairs(const QStringList& pairs, const QString& lang)
    {
        QStringList names;
        for (const QString& pair : pairs) {
            const auto named = [&](const QString& code) {
                const QString catalogue = FromServiceCode(kCodes, baseOf(code));
                return catalogue.isEmpty() || baseOf(code) != code ? code
                                                                   : LanguageName(lang, catalogue);
            };
            names.append(named(pair.section(u'|', 0, 0)) + QStringLiteral(" → ") +
                         named(pair.section(u'|', 1)));
        }
        return names.isEmpty() ? QStringLiteral("-") : names.join(QStringLiteral(", "));
    }

    // APY's language identification, where it is installed: the likeliest catalogue code.
    QString identify(const QString& text)
    {
        const HttpResult http = HttpTransport::Post(
            QUrl(baseUrl() + QStringLiteral("/identifyLang")), "application/x-www-form-urlencoded",
            "q=" + FormEncoding::Encode(text), settings().timeoutMs);
        if (!http.ok || http.status != 200)
            return {};
        const QJsonObject scores = ParseJson(http.body).object();
        QString best;
        double bestScore = -1;
        for (auto it = scores.begin(); it != scores.end(); ++it) {
            const QString code = FromServiceCode(kCodes, baseOf(it.key()));
            if (!code.isEmpty() && it.value().toDouble() > bestScore) {
                best = code;
                bestScore = it.value().toDouble();
            }
        }
        return best;
    }

    bool m_here = false;
};

} // namespace

std::unique_ptr<TranslationService> MakeApertiumService(ServiceSettings settings)
{
    return std::make_unique<ApertiumService>(std::move(settings));
}
