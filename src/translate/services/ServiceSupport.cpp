#include "ServiceSupport.h"

#include "FormEncoding.h"
#include "LanguageCatalogue.h"
#include "StringTable.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>
#include <optional>

namespace ServiceSupport {

QString Say(const QString& interfaceLanguage, int n, const QStringList& args)
{
    const QString text = StringTable::LoadResString(StringTable::TextId(interfaceLanguage, n))
                             .value_or(StringTable::LoadResString(1000 + n).value_or(QString()));
    // %1 to %9 stand for args by number, whichever of them a language's text uses.
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const int k = i + 1 < text.size() ? text.at(i + 1).digitValue() : -1;
        if (c == u'%' && k >= 1 && k <= args.size()) {
            out += args.at(k - 1);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString LanguageName(const QString& interfaceLanguage, const QString& code)
{
    const int position = LanguageCatalogue::PositionOfCode(code);
    if (position < 0)
        return code;
    return Say(interfaceLanguage, LanguageCatalogue::kFirstNameText + position).trimmed();
}

QString ServiceName(const QString& interfaceLanguage, const QString& service)
{
    return Say(interfaceLanguage, TranslationServices::MenuText(service));
}

ServiceReply NoReply(const QString& url, const HttpResult& http, qint64 elapsedMs, int timeoutMs,
                     const QString& interfaceLanguage, const QString& service)
{
    ServiceReply reply;
    reply.failure = ServiceFailure::Unreachable;
    reply.status = http.status;
    const QString who = ServiceName(interfaceLanguage, service);
    const QString why = http.error.isEmpty() ? QStringLiteral("?") : http.error;
    // Timers may fire a little early: a wait about as long as the limit was the limit.
    if (timeoutMs > 0 && elapsedMs >= timeoutMs - timeoutMs / 10)
        reply.message =
            Say(interfaceLanguage, 218,
                {who, QString::number((timeoutMs + 999) / 1000), url, QString::number(timeoutMs)});
    else if (http.ok)
        reply.message = Say(interfaceLanguage, 231, {who, url, why});
    else
        reply.message = Say(interfaceLanguage, 217, {who, url, why});
    return reply;
}

ServiceReply Refused(QString message)
{
    ServiceReply reply;
    reply.failure = ServiceFailure::Refused;
    reply.message = std::move(message);
    return reply;
}

ServiceReply PairNotOffered(const QString& interfaceLanguage, const QString& service,
                            const QString& source, const QString& target)
{
    const QString& lang = interfaceLanguage;
    return Refused(Say(lang, 219,
                       {ServiceName(lang, service),
                        source.isEmpty() ? Say(lang, 99) : LanguageName(lang, source),
                        LanguageName(lang, target)}));
}

ServiceReply Failed(const ServiceLanguages& list)
{
    ServiceReply reply;
    reply.failure = list.failure;
    reply.message = list.message;
    return reply;
}

bool NoUsableReply(const HttpResult& http)
{
    return !http.ok || (http.status >= 200 && http.status <= 299 && !http.error.isEmpty());
}

HttpResult PostForm(const TranslationService& service, int timeoutMs, const QString& path,
                    const QByteArray& body, const QString& interfaceLanguage, ServiceReply& failed,
                    const HttpTransport::Headers& headers)
{
    const QString url = service.baseUrl() + path;
    QElapsedTimer clock;
    clock.start();
    HttpResult http = HttpTransport::Post(QUrl(url), "application/x-www-form-urlencoded", body,
                                          timeoutMs, headers);
    if (NoUsableReply(http))
        failed = NoReply(url, http, clock.elapsed(), timeoutMs, interfaceLanguage, service.name());
    return http;
}

QJsonDocument ParseJson(const QByteArray& body)
{
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(body, &error);
    // One bad byte does not cost the whole reply: it becomes U+FFFD, as in the page service.
    if (error.error == QJsonParseError::IllegalUTF8String)
        document = QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8(), &error);
    return error.error == QJsonParseError::NoError ? document : QJsonDocument();
}

bool LooksLikeHtml(const HttpResult& http)
{
    const QByteArray head = http.body.left(512).trimmed().toLower();
    return head.startsWith("<!doctype html") || head.startsWith("<html") ||
           head.contains("<head") || head.contains("<body");
}

QByteArray FormBody(std::initializer_list<std::pair<const char*, QString>> fields)
{
    QByteArray body;
    for (const auto& [name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += name;
        body += '=';
        body += FormEncoding::Encode(value);
    }
    return body;
}

namespace {
QString folded(QString code)
{
    return code.trimmed().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
}
QStringList spellings(const CodeMap& map, const QString& code)
{
    return map.value(code, QStringList{code});
}
} // namespace

QString ToServiceCode(const CodeMap& map, const QString& code, const QStringList& offered)
{
    const QStringList wanted = spellings(map, code);
    if (offered.isEmpty())
        return wanted.value(0);
    for (const QString& spelling : wanted) {
        for (const QString& have : offered) {
            if (folded(have) == folded(spelling))
                return have;
        }
    }
    return {};
}

QString FromServiceCode(const CodeMap& map, const QString& serviceCode)
{
    const QString wanted = folded(serviceCode);
    if (wanted.isEmpty())
        return {};
    for (const QString& code : LanguageCatalogue::AllCodes()) {
        for (const QString& spelling : spellings(map, code)) {
            if (folded(spelling) == wanted)
                return code;
        }
    }
    const qsizetype dash = wanted.indexOf(QLatin1Char('-'));
    return dash > 0 ? FromServiceCode(map, wanted.left(dash)) : QString();
}

QString WithCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

ServiceReply StatusFailure(int status, const QString& detail, const QString& interfaceLanguage,
                           const QString& service)
{
    const QString who = ServiceName(interfaceLanguage, service);
    ServiceReply reply;
    if (status == 401 || status == 403)
        reply = Refused(Say(interfaceLanguage, 222, {who}));
    else if (status == 456)
        reply = Refused(Say(interfaceLanguage, 223, {who}));
    else if (status == 429 || status == 503)
        reply = Refused(Say(interfaceLanguage, 224, {who}));
    else
        reply = Refused(Say(interfaceLanguage, 225,
                            {who, detail.trimmed().isEmpty() ? QStringLiteral("HTTP %1").arg(status)
                                                             : detail.trimmed()}));
    reply.status = status;
    reply.unavailable = status == 429 || status == 456 || status >= 500;
    return reply;
}

namespace {
struct CachedEntry
{
    LanguageList list;
    bool fromDisk = false; // kept from an earlier run, so it may predate a pair
};
QMutex g_cacheMutex;
QString g_cacheFolder;
QHash<QString, CachedEntry>& cache()
{
    static QHash<QString, CachedEntry> lists;
    return lists;
}

QString cacheFile(const QString& key)
{
    if (g_cacheFolder.isEmpty())
        return {};
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return g_cacheFolder + QStringLiteral("/list-") + QString::fromLatin1(hash.toHex().left(24)) +
           QStringLiteral(".json");
}

std::optional<LanguageList> readKept(const QString& service, const QString& url,
                                     const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || file.size() > HttpTransport::kListLimit ||
        !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    const qint64 age = QDateTime::currentMSecsSinceEpoch() - json.value(u"fetched").toInteger(-1);
    // Another service or address with the same hash, a clock set back, or older than a day.
    if (json.value(u"service").toString() != service || json.value(u"url").toString() != url ||
        age < 0 || age >= kListKeptMs)
        return std::nullopt;
    LanguageList list;
    for (const QJsonValue& item : json.value(u"items").toArray())
        list.items.append(item.toString());
    list.outcome.count = int(list.items.size());
    return list;
}

void keep(const QString& service, const QString& url, const QString& path, const LanguageList& list)
{
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).path()))
        return;
    QJsonObject json{{QStringLiteral("service"), service},
                     {QStringLiteral("url"), url},
                     {QStringLiteral("fetched"), QDateTime::currentMSecsSinceEpoch()},
                     {QStringLiteral("items"), QJsonArray::fromStringList(list.items)}};
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(json).toJson(QJsonDocument::Compact));
        file.commit();
    }
}
} // namespace

void SetListCacheFolder(const QString& folder)
{
    QMutexLocker lock(&g_cacheMutex);
    g_cacheFolder = folder;
}

LanguageList CachedList(const QString& service, const QString& url,
                        const std::function<LanguageList()>& fetch)
{
    const QString key = service + QLatin1Char('\n') + url;
    QString path;
    {
        QMutexLocker lock(&g_cacheMutex);
        const auto it = cache().constFind(key);
        if (it != cache().cend())
            return it->list;
        path = cacheFile(key);
    }
    if (const auto kept = readKept(service, url, path)) {
        QMutexLocker lock(&g_cacheMutex);
        cache().insert(key, {*kept, true});
        return *kept;
    }
    LanguageList list = fetch();
    // A failure is not kept: the next translation asks again.
    if (list.outcome.failure == ServiceFailure::None) {
        keep(service, url, path, list);
        QMutexLocker lock(&g_cacheMutex);
        cache().insert(key, {list, false});
    }
    return list;
}

bool RefreshKeptList(const QString& service, const QString& url)
{
    const QString key = service + QLatin1Char('\n') + url;
    QMutexLocker lock(&g_cacheMutex);
    const auto it = cache().find(key);
    if (it == cache().end() || !it->fromDisk)
        return false;
    cache().erase(it);
    QFile::remove(cacheFile(key));
    return true;
}

LanguageList FetchList(const TranslationService& service, int timeoutMs, const QString& path,
                       const QString& interfaceLanguage, const ReadList& read,
                       const char* errorField, const HttpTransport::Headers& headers)
{
    return CachedList(service.name(), service.baseUrl(), [&] {
        const QString url = service.baseUrl() + path;
        QElapsedTimer clock;
        clock.start();
        const HttpResult http = HttpTransport::Get(
            QUrl(url), false, HttpTransport::Limits{timeoutMs, HttpTransport::kListLimit}, headers);
        const QJsonDocument json = ParseJson(http.body);
        LanguageList list;
        ServiceReply failed;
        if (NoUsableReply(http))
            failed =
                NoReply(url, http, clock.elapsed(), timeoutMs, interfaceLanguage, service.name());
        else if (http.status != 200 || !read(json, list.items))
            failed = StatusFailure(http.status,
                                   json.object().value(QLatin1String(errorField)).toString(),
                                   interfaceLanguage, service.name());
        if (!failed.ok())
            return LanguageList{{failed.failure, failed.message, 0}, {}};
        list.outcome.count = int(list.items.size());
        return list;
    });
}

ServiceLanguages Offered(const LanguageList& list, const QString& interfaceLanguage,
                         const QString& service, int text, const QString& details)
{
    ServiceLanguages outcome = list.outcome;
    if (outcome.failure == ServiceFailure::None) {
        outcome.message =
            Say(interfaceLanguage, text,
                {ServiceName(interfaceLanguage, service), QString::number(outcome.count)});
        if (!details.isEmpty())
            outcome.message += u' ' + details;
    }
    return outcome;
}

void ClearListCache()
{
    QMutexLocker lock(&g_cacheMutex);
    cache().clear();
}

} // namespace ServiceSupport
