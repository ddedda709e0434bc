// What the services share: their messages, the JSON replies, the language-list cache, and
// the language codes each service spells its own way.
#pragma once

#include "TranslationService.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <initializer_list>
#include <memory>

class TranslationService;

namespace ServiceSupport {

// Text n of the string table in that interface language, its %1, %2 ... filled in.
QString Say(const QString& interfaceLanguage, int n, const QStringList& args = {});
// The display name of a catalogue code in that interface language.
QString LanguageName(const QString& interfaceLanguage, const QString& code);
// The menu name of a service.
QString ServiceName(const QString& interfaceLanguage, const QString& service);

// A request that got no usable reply: unreachable, timed out, or broken off.
ServiceReply NoReply(const QString& url, const HttpResult& http, qint64 elapsedMs, int timeoutMs,
                     const QString& interfaceLanguage, const QString& service);
ServiceReply Refused(QString message);
// The service does not translate between these catalogue codes ("" source: detection).
ServiceReply PairNotOffered(const QString& interfaceLanguage, const QString& service,
                            const QString& source, const QString& target);
// The translation fails as the language list did.
ServiceReply Failed(const ServiceLanguages& list);
// No reply at all, or a successful one that broke off before its end.
bool NoUsableReply(const HttpResult& http);

// POSTs a form to the service's path; without a usable reply, failed says why.
HttpResult PostForm(const TranslationService& service, int timeoutMs, const QString& path,
                    const QByteArray& body, const QString& interfaceLanguage, ServiceReply& failed,
                    const HttpTransport::Headers& headers = {});
// The reply body as JSON; a null document when it is not JSON.
QJsonDocument ParseJson(const QByteArray& body);
// Whether the reply is an HTML page (a challenge page, a portal) rather than data.
bool LooksLikeHtml(const HttpResult& http);

// application/x-www-form-urlencoded of name=value pairs, in order.
QByteArray FormBody(std::initializer_list<std::pair<const char*, QString>> fields);

// How a service may spell catalogue codes, most wanted first; codes not in the map are spelled
// as the catalogue spells them.
using CodeMap = QMap<QString, QStringList>;
// The first spelling of the code that the service offers (compared without case), or "" when
// it offers none; with no list at all, the first spelling.
QString ToServiceCode(const CodeMap& map, const QString& code, const QStringList& offered);
// A service's code back to a catalogue code ("pt-BR" gives "pt"); "" when there is none.
QString FromServiceCode(const CodeMap& map, const QString& serviceCode);
// Line breaks as the text boxes take them: CR LF.
QString WithCrLf(QString text);
// The failure of a JSON service's error status: 401 and 403 the key, 456 the quota, 429 and
// 503 the rate limit, anything else the service's own words (detail) or the status.
ServiceReply StatusFailure(int status, const QString& detail, const QString& interfaceLanguage,
                           const QString& service);

// The language list of one service at one address, fetched once per run, and with a cache
// folder kept there for a day. fetch returns the list (service codes, or "src|tgt" pairs) or a
// failure; only a successful list is kept.
struct LanguageList
{
    ServiceLanguages outcome;
    QStringList items;
};
LanguageList CachedList(const QString& service, const QString& url,
                        const std::function<LanguageList()>& fetch);
// GETs the service's list at path once per run: no reply or an error status is a failure
// (its JSON errorField, if any, gives the service's words); read fills the items from a 200
// reply, or returns false when it holds no list.
using ReadList = std::function<bool(const QJsonDocument& json, QStringList& items)>;
LanguageList FetchList(const TranslationService& service, int timeoutMs, const QString& path,
                       const QString& interfaceLanguage, const ReadList& read,
                       const char* errorField, const HttpTransport::Headers& headers = {});
// What Test reports of a list: text 215 (languages) or 216 (pairs) and any details, or the
// failure.
ServiceLanguages Offered(const LanguageList& list, const QString& interfaceLanguage,
                         const QString& service, int text, const QString& details = {});
// Tests start from an empty cache.
void ClearListCache();
// Where lists are kept between runs, one file per service and address; empty (the default)
// keeps them for the run only. The command line asks once a day instead of before every text.
void SetListCacheFolder(const QString& folder);
inline constexpr qint64 kListKeptMs = 24 * 60 * 60 * 1000;
// A list kept from an earlier run may predate a pair the service offers now. When that list
// refused a pair, forget it here and on disk and say true: the caller asks again once.
bool RefreshKeptList(const QString& service, const QString& url);

} // namespace ServiceSupport

// One factory per file in services/.
std::unique_ptr<TranslationService> MakePageService(ServiceSettings settings);
std::unique_ptr<TranslationService> MakeApertiumService(ServiceSettings settings);
std::unique_ptr<TranslationService> MakeLibreTranslateService(ServiceSettings settings);
std::unique_ptr<TranslationService> MakeDeeplService(ServiceSettings settings);
std::unique_ptr<TranslationService> MakeGoogleWebService(ServiceSettings settings);
