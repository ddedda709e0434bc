// The web page service: posts the form to /translate_t and cuts the results out of the page.
#include "LanguageCatalogue.h"
#include "ParseTranslateReply.h"
#include "ServiceConfig.h"
#include "services/ServiceSupport.h"
#include "TranslateRequest.h"

#include <QElapsedTimer>

namespace {

class PageService final : public TranslationService
{
  public:
    using TranslationService::TranslationService;

    // Its failures stay silent in the window: the boxes simply show what the page held.
    bool tellsFailures() const override { return false; }

    ServiceReply Translate(const ServiceRequest& request) override
    {
        QElapsedTimer clock;
        clock.start();
        HttpResult http =
            PostTranslateRequest(baseUrl(), request.text, request.host, request.source,
                                 request.target, settings().timeoutMs);
        ServiceReply reply;
        // A page that broke off would give a cut translation; error statuses carry an error
        // text of their own and still count as a reply.
        if (ServiceSupport::NoUsableReply(http))
            reply = ServiceSupport::NoReply(baseUrl() + QStringLiteral("/translate_t"), http,
                                            clock.elapsed(), settings().timeoutMs,
                                            request.interfaceLanguage, name());
        reply.status = http.status;
        reply.unavailable = http.status == 429 || http.status >= 500;
        reply.unrecognised = http.ok && !HoldsTranslationMarker(http.body);
        // Extraction works from the bytes: a large page is not held decoded as well, and it
        // is freed before its dictionary is built unless the raw page is kept.
        if (request.keepRaw) {
            reply.raw = http.body;
            reply.result = ParseTranslateReplyUtf8(http.body);
        } else {
            reply.result = ParseTranslateReplyUtf8(std::move(http.body));
        }
        return reply;
    }

    // The page has no language list: it offers the whole catalogue.
    ServiceLanguages Languages(const QString& interfaceLanguage) override
    {
        const HttpResult http = HttpTransport::Get(
            QUrl(baseUrl() + QStringLiteral("/")), true,
            HttpTransport::Limits{settings().timeoutMs, HttpTransport::kPageLimit});
        if (!http.ok)
            return {ServiceFailure::Unreachable,
                    ServiceSupport::NoReply(baseUrl(), http, 0, settings().timeoutMs,
                                            interfaceLanguage, name())
                        .message,
                    0};
        return {ServiceFailure::None,
                ServiceSupport::Say(interfaceLanguage, 215,
                                    {ServiceSupport::ServiceName(interfaceLanguage, name()),
                                     QString::number(LanguageCatalogue::kCount)}),
                LanguageCatalogue::kCount};
    }
};

} // namespace

std::unique_ptr<TranslationService> MakePageService(ServiceSettings settings)
{
    // The environment names the page's host for tests and mirrors, over any stored address.
    if (!qEnvironmentVariable("VERBALTO_TRANSLATE_URL").trimmed().isEmpty() ||
        settings.url.trimmed().isEmpty())
        settings.url = ServiceConfig::TranslateBaseUrl();
    return std::make_unique<PageService>(std::move(settings));
}
