#include "ServiceFallback.h"

#include "services/ServiceSupport.h"

#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>

using namespace ServiceSupport;

namespace ServiceFallback {
namespace {

const QString kApertium = QStringLiteral("apertium");

// The chosen service in a sentence ("the Google web API"): texts 242 to 246 follow the menu's.
QString named(const QString& lang, const QString& service)
{
    return Say(lang, TranslationServices::MenuText(service) + 40);
}

QString reasonFor(const ServiceReply& reply, const QString& lang, const QString& service)
{
    if (reply.failure == ServiceFailure::Unreachable)
        return Say(lang, 233, {named(lang, service)});
    if (reply.status >= 500)
        return Say(lang, 235, {named(lang, service)});
    return Say(lang, 234, {named(lang, service)});
}

// Why a translation the user asked for shows nothing, when the service itself did not say.
QString silence(const Translation& t, const QString& lang)
{
    const ServiceReply& reply = t.reply;
    if (!reply.ok())
        return reply.message;
    if (!reply.result.translation.trimmed().isEmpty())
        return {};
    if (reply.unavailable)
        return reasonFor(reply, lang, t.service);
    return Say(lang, 226, {ServiceName(lang, t.service)});
}

} // namespace

bool OnThisComputer(const ServiceSettings& service)
{
    QString url = service.url.trimmed();
    if (url.isEmpty())
        url = TranslationServices::DefaultUrl(TranslationServices::Normalized(service.name),
                                              service.key);
    const QString host = QUrl(url).host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    // 127.0.0.0/8, ::1 and the IPv4 loopback written as IPv6.
    const QByteArray address = host.toLatin1();
    unsigned char bytes[16] = {};
    if (::inet_pton(AF_INET, address.constData(), bytes) == 1)
        return bytes[0] == 127;
    if (::inet_pton(AF_INET6, address.constData(), bytes) != 1)
        return false;
    const in6_addr* six = reinterpret_cast<const in6_addr*>(bytes);
    return IN6_IS_ADDR_LOOPBACK(six) || (IN6_IS_ADDR_V4MAPPED(six) && bytes[12] == 127);
}

bool Warrants(const ServiceReply& reply)
{
    return reply.failure == ServiceFailure::Unreachable || reply.unavailable;
}

Translation Translate(const ServiceSettings& chosen, const ServiceRequest& request, bool online)
{
    const QString lang = request.interfaceLanguage;
    Translation t;
    t.service = TranslationServices::Normalized(chosen.name);
    const bool here = OnThisComputer(chosen);
    if (!online && !here) {
        t.reply.failure = ServiceFailure::Unreachable;
        t.reply.message = Say(lang, 102);
        t.reason = Say(lang, 236, {named(lang, t.service)});
    } else {
        t.reply = TranslationServices::Make(chosen)->Translate(request);
        if (Warrants(t.reply))
            t.reason = reasonFor(t.reply, lang, t.service);
    }
    // Apertium on this computer is the fallback; asking it again would only repeat its answer.
    const bool fallback =
        chosen.fallback && !t.reason.isEmpty() && !(here && t.service == kApertium);
    if (fallback && request.source.isEmpty()) {
        // Debian's Apertium cannot detect the language.
        QString why = t.reply.ok() ? t.reason : t.reply.message;
        if (!why.endsWith(u'.') && !why.endsWith(u'。'))
            why += lang == u"1" ? u'.' : u'。';
        t.note = why + (lang == u"1" ? QStringLiteral(" ") : QString()) + Say(lang, 237);
        return t;
    }
    if (fallback) {
        ServiceSettings local;
        local.name = kApertium;
        local.timeoutMs = chosen.timeoutMs;
        ServiceReply reply = TranslationServices::Make(local)->Translate(request);
        if (reply.ok()) {
            t.reply = std::move(reply);
            t.fallbackFrom = t.service;
            t.service = kApertium;
            t.note = Say(lang, 232, {QStringLiteral("Apertium"), t.reason});
            return t;
        }
    }
    t.reason.clear();
    t.note = silence(t, lang);
    return t;
}

} // namespace ServiceFallback
