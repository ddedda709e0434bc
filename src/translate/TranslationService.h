// The translation services Verbalto can ask, behind one interface shared by the window and the
// command line. Each service lives in services/; callers name none of them.
#pragma once

#include "HttpTransport.h"
#include "TranslationResult.h"

#include <QString>
#include <QStringList>
#include <memory>

// What the user chose: stored in the settings group [Service] and given on the command line.
struct ServiceSettings
{
    QString name; // one of TranslationServices::Names(); anything else means the default
    QString url;  // "" = the service's default address
    QString key;  // API key, where the service takes one
    int timeoutMs = HttpTransport::kDefaultTimeoutMs;
    // When the service cannot answer, Apertium on this computer translates instead.
    bool fallback = true;
    // Speech always comes from the voice on this computer, never from the web.
    bool localVoice = false;
};

struct ServiceRequest
{
    QString text;
    QString source; // catalogue code; "" = detect the language
    QString target; // catalogue code
    QString host;   // catalogue code of the interface language
    // Interface language index ("1" English, "2" and "3" Chinese) of the messages.
    QString interfaceLanguage = QStringLiteral("1");
    // Whether the reply text is wanted (for ReplyBox); the command line does without a copy.
    bool keepRaw = true;
};

enum class ServiceFailure {
    None,
    Unreachable, // no reply, a time-out, or a reply that broke off
    Refused,     // the service answered but would not translate
};

struct ServiceReply
{
    TranslationResult result; // translation, romanization, dictionary (sourceText unset)
    QByteArray raw;           // the reply's bytes as they came, for ReplyBox
    QString detected;         // detected source language as a catalogue code, or ""
    int status = 0;           // HTTP status of the translation reply, 0 without one
    ServiceFailure failure = ServiceFailure::None;
    QString message; // why it failed, fit to show a person
    // A reply came but held nothing this service recognises as a translation.
    bool unrecognised = false;
    // The service answered that it cannot serve now (rate limit, quota, its own fault).
    bool unavailable = false;

    bool ok() const { return failure == ServiceFailure::None; }
};

// The languages a service offers, as the Test button and the pair check see them.
struct ServiceLanguages
{
    ServiceFailure failure = ServiceFailure::None;
    QString message;
    int count = 0; // languages (Apertium: language pairs) it offers
};

class TranslationService
{
  public:
    explicit TranslationService(ServiceSettings settings);
    virtual ~TranslationService() = default;
    TranslationService(const TranslationService&) = delete;
    TranslationService& operator=(const TranslationService&) = delete;

    const QString& name() const { return m_settings.name; }
    // The address asked, without a trailing "/".
    QString baseUrl() const;
    // The web page service keeps its silence on failures; the others tell them.
    virtual bool tellsFailures() const { return true; }

    virtual ServiceReply Translate(const ServiceRequest& request) = 0;
    // Fetches (once per run, service and address) what the service offers.
    virtual ServiceLanguages Languages(const QString& interfaceLanguage) = 0;

  protected:
    const ServiceSettings& settings() const { return m_settings; }

  private:
    ServiceSettings m_settings;
};

namespace TranslationServices {

// In menu order.
QStringList Names();
// The service of a settings file that names none: the Google web API.
QString DefaultName();
bool IsKnown(const QString& name);
// A known name as given, else the default.
QString Normalized(const QString& name);
// One line of English for --list-services.
QString Description(const QString& name);
// Text number of the service's menu item.
int MenuText(const QString& name);
// The address used when none is set; DeepL's depends on the kind of key.
QString DefaultUrl(const QString& name, const QString& key = {});

std::unique_ptr<TranslationService> Make(ServiceSettings settings);

} // namespace TranslationServices
