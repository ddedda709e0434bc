// The services that speak documented JSON interfaces, against the loopback server playing them.
#include "TranslationService.h"
#include "TestHttpServer.h"
#include "services/ServiceSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <atomic>
#include <gtest/gtest.h>

namespace {

QUrlQuery fields(const QByteArray& form)
{
    QByteArray spaced = form;
    spaced.replace('+', ' ');
    return QUrlQuery(QString::fromUtf8(spaced));
}

QString field(const QUrlQuery& q, const char* name)
{
    return q.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
}

class Services : public ::testing::Test
{
  protected:
    void SetUp() override { ServiceSupport::ClearListCache(); }

    ServiceReply translate(const char* service, const QString& text, const char* source,
                           const char* target, const char* key = "")
    {
        ServiceSettings settings;
        settings.name = QLatin1String(service);
        settings.url = server.baseUrl();
        settings.key = QLatin1String(key);
        settings.timeoutMs = 3000;
        return TranslationServices::Make(settings)->Translate(
            {text, QLatin1String(source), QLatin1String(target), QStringLiteral("en")});
    }
    QList<RecordedRequest> requestsTo(const char* path) const
    {
        QList<RecordedRequest> found;
        for (const RecordedRequest& r : server.requests()) {
            if (r.path == path)
                found.append(r);
        }
        return found;
    }

    TestHttpServer server;
};

const QByteArray kLibreLanguages =
    R"([{"code":"en","name":"English","targets":["en","fr","zh-Hans"]},
        {"code":"fr","name":"French","targets":["en","fr"]},
        {"code":"zh-Hans","name":"Chinese","targets":["en","zh-Hans"]}])";

} // namespace

TEST_F(Services, LibreTranslateSendsTheDocumentedFormAndAsksForItsLanguagesOnce)
{
    server.setReply("/languages", CannedReply::ok(kLibreLanguages, "application/json"));
    server.setReply("/translate", CannedReply::ok(R"({"translatedText":"Bonjour\nle monde"})",
                                                  "application/json"));
    ServiceReply reply =
        translate("libretranslate", QStringLiteral("Hello & +1"), "en", "fr", "k1");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_EQ(reply.result.translation, u"Bonjour\r\nle monde");
    const RecordedRequest post = requestsTo("/translate").value(0);
    EXPECT_EQ(post.method, QByteArray("POST"));
    EXPECT_EQ(post.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    const QUrlQuery form = fields(post.body);
    EXPECT_EQ(field(form, "q"), u"Hello & +1");
    EXPECT_EQ(field(form, "source"), u"en");
    EXPECT_EQ(field(form, "target"), u"fr");
    EXPECT_EQ(field(form, "format"), u"text");
    EXPECT_EQ(field(form, "api_key"), u"k1");

    // Detection, and Chinese in the server's own spelling; the list is not fetched again.
    server.setReply("/translate", CannedReply::ok(R"({"translatedText":"你好","detectedLanguage":
                                        {"confidence":90,"language":"en"}})"));
    reply = translate("libretranslate", QStringLiteral("Hello"), "", "zh-CN");
    EXPECT_EQ(reply.detected, u"en");
    EXPECT_EQ(field(fields(requestsTo("/translate").last().body), "source"), u"auto");
    EXPECT_EQ(field(fields(requestsTo("/translate").last().body), "target"), u"zh-Hans");
    EXPECT_FALSE(
        fields(requestsTo("/translate").last().body).hasQueryItem(QStringLiteral("api_key")));
    EXPECT_EQ(requestsTo("/languages").size(), 1);

    // A pair the server does not offer is refused before anything is sent.
    reply = translate("libretranslate", QStringLiteral("Bonjour"), "fr", "zh-CN");
    EXPECT_EQ(reply.failure, ServiceFailure::Refused);
    EXPECT_TRUE(reply.message.contains(u"French") && reply.message.contains(u"Chinese"))
        << reply.message.toStdString();
    EXPECT_EQ(requestsTo("/translate").size(), 2);
}

TEST_F(Services, AKeptListServesLaterRunsPerAddressForADayAndIsAskedAgainOnARefusedPair)
{
    QTemporaryDir folder;
    ServiceSupport::SetListCacheFolder(folder.path());
    server.setReply("/languages", CannedReply::ok(kLibreLanguages));
    server.setReply("/translate", CannedReply::ok(R"({"translatedText":"Bonjour"})"));
    ASSERT_TRUE(translate("libretranslate", QStringLiteral("Hello"), "en", "fr").ok());
    ServiceSupport::ClearListCache(); // a later run
    ASSERT_TRUE(translate("libretranslate", QStringLiteral("Hello"), "en", "fr").ok());
    EXPECT_EQ(requestsTo("/languages").size(), 1);

    // Another address keeps its own list.
    TestHttpServer other;
    other.setReply("/languages",
                   CannedReply::ok(R"([{"code":"en","targets":["de"]},{"code":"de"}])"));
    other.setReply("/translate", CannedReply::ok(R"({"translatedText":"Hallo"})"));
    ServiceSettings settings;
    settings.name = QStringLiteral("libretranslate");
    settings.url = other.baseUrl();
    settings.timeoutMs = 3000;
    const ServiceRequest toGerman{QStringLiteral("Hello"), QStringLiteral("en"),
                                  QStringLiteral("de"), QStringLiteral("en")};
    EXPECT_TRUE(TranslationServices::Make(settings)->Translate(toGerman).ok());
    EXPECT_EQ(other.requests().size(), 2);

    // The first server has added German since its list was kept: a refused pair asks again.
    server.setReply(
        "/languages",
        CannedReply::ok(R"([{"code":"en","targets":["fr","de"]},{"code":"fr"},{"code":"de"}])"));
    ServiceSupport::ClearListCache();
    EXPECT_TRUE(translate("libretranslate", QStringLiteral("Hello"), "en", "de").ok());
    EXPECT_EQ(requestsTo("/languages").size(), 2);
    // A list fetched in this run that refuses a pair is not asked again.
    EXPECT_FALSE(translate("libretranslate", QStringLiteral("Hello"), "en", "ja").ok());
    EXPECT_EQ(requestsTo("/languages").size(), 2);

    // A day later every list is asked again.
    for (const QFileInfo& kept : QDir(folder.path()).entryInfoList(QDir::Files)) {
        QFile file(kept.filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        json[QStringLiteral("fetched")] =
            QDateTime::currentMSecsSinceEpoch() - ServiceSupport::kListKeptMs;
        file.resize(0);
        file.seek(0);
        file.write(QJsonDocument(json).toJson());
    }
    ServiceSupport::ClearListCache();
    EXPECT_TRUE(translate("libretranslate", QStringLiteral("Hello"), "en", "fr").ok());
    EXPECT_EQ(requestsTo("/languages").size(), 3);
    ServiceSupport::SetListCacheFolder({});
}

TEST_F(Services, ErrorStatusesAreRefusalsInWords)
{
    server.setReply("/languages", CannedReply::ok(kLibreLanguages));
    const struct
    {
        int status;
        const char* says;
    } cases[] = {{400, "Invalid request: missing q"},
                 {403, "refused the API key"},
                 {429, "limits requests"},
                 {500, "Invalid request: missing q"}};
    for (const auto& c : cases) {
        server.setReply("/translate", CannedReply::withStatus(
                                          c.status, R"({"error":"Invalid request: missing q"})"));
        const ServiceReply reply = translate("libretranslate", QStringLiteral("x"), "en", "fr");
        EXPECT_EQ(reply.failure, ServiceFailure::Refused) << c.status;
        EXPECT_TRUE(reply.message.contains(QLatin1String(c.says))) << reply.message.toStdString();
        EXPECT_TRUE(reply.result.translation.isEmpty());
    }

    // Nothing listening: unreachable, not refused.
    ServiceSettings gone{
        QStringLiteral("libretranslate"), QStringLiteral("http://127.0.0.1:1"), {}, 2000};
    const ServiceReply reply = TranslationServices::Make(gone)->Translate(
        {QStringLiteral("x"), QStringLiteral("en"), QStringLiteral("fr"), QStringLiteral("en")});
    EXPECT_EQ(reply.failure, ServiceFailure::Unreachable);
    EXPECT_TRUE(reply.message.contains(u"127.0.0.1:1")) << reply.message.toStdString();
}

TEST_F(Services, DeeplAuthorisesWithItsHeaderAndTellsEachRefusal)
{
    server.setReply("/v2/languages?type=target",
                    CannedReply::ok(R"j([{"language":"DE","name":"German"},
                                        {"language":"EN-GB","name":"English (British)"},
                                        {"language":"EN-US","name":"English (American)"}])j"));
    server.setReply("/v2/translate",
                    CannedReply::ok(R"({"translations":[{"detected_source_language":"EN",
                                        "text":"Guten Morgen"}]})"));
    ServiceReply reply = translate("deepl", QStringLiteral("Good morning"), "", "de", "abc:fx");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_EQ(reply.result.translation, u"Guten Morgen");
    EXPECT_EQ(reply.detected, u"en");
    for (const RecordedRequest& r : server.requests())
        EXPECT_EQ(r.headers.value("authorization"), QByteArray("DeepL-Auth-Key abc:fx"));
    QUrlQuery form = fields(requestsTo("/v2/translate").last().body);
    EXPECT_EQ(field(form, "text"), u"Good morning");
    EXPECT_EQ(field(form, "target_lang"), u"DE");
    EXPECT_FALSE(form.hasQueryItem(QStringLiteral("source_lang")));

    reply = translate("deepl", QStringLiteral("Guten Morgen"), "de", "en", "abc:fx");
    form = fields(requestsTo("/v2/translate").last().body);
    EXPECT_EQ(field(form, "source_lang"), u"DE");
    EXPECT_EQ(field(form, "target_lang"), u"EN-US");

    const struct
    {
        int status;
        const char* says;
    } cases[] = {{403, "refused the API key"}, {456, "quota is used up"}, {429, "limits requests"}};
    for (const auto& c : cases) {
        server.setReply("/v2/translate", CannedReply::withStatus(c.status, R"({"message":"no"})"));
        reply = translate("deepl", QStringLiteral("x"), "en", "de", "abc:fx");
        EXPECT_EQ(reply.failure, ServiceFailure::Refused);
        EXPECT_TRUE(reply.message.contains(QLatin1String(c.says))) << reply.message.toStdString();
    }
    const int sent = server.requestCount();
    EXPECT_EQ(translate("deepl", QStringLiteral("x"), "en", "de").failure, ServiceFailure::Refused);
    EXPECT_EQ(server.requestCount(), sent); // no key: nothing sent

    EXPECT_EQ(TranslationServices::DefaultUrl(QStringLiteral("deepl"), QStringLiteral("k:fx")),
              u"https://api-free.deepl.com");
    EXPECT_EQ(TranslationServices::DefaultUrl(QStringLiteral("deepl"), QStringLiteral("k")),
              u"https://api.deepl.com");
}

TEST_F(Services, GoogleWebReadsBothReplyFormsIntoThePageLayout)
{
    server.setReply("/translate_a/single", CannedReply::ok(QString::fromUtf8(R"({"sentences":[
        {"trans":"Привет, ","orig":"Hello, "},{"trans":"мир","orig":"world"},
        {"translit":"Privet, mir","src_translit":""}],
        "dict":[{"pos":"noun","terms":["мир","свет"]},{"pos":"verb","terms":["мирить"]}],
        "src":"en"})")
                                                               .toUtf8(),
                                                           "application/json"));
    ServiceReply reply = translate("google-web", QStringLiteral("Hello, world & 1+1"), "", "ru");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_EQ(reply.result.translation, u"Привет, мир");
    EXPECT_EQ(reply.result.romanization, u"Privet, mir");
    EXPECT_EQ(reply.result.dictionary, u"noun:\r\n1. мир\r\n2. свет\r\nverb:\r\n1. мирить\r\n");
    EXPECT_EQ(reply.detected, u"en");
    const RecordedRequest get = server.requests().last();
    EXPECT_EQ(get.method, QByteArray("GET"));
    const QUrlQuery query(QString::fromUtf8(get.query));
    EXPECT_EQ(field(query, "client"), u"gtx");
    EXPECT_EQ(field(query, "dj"), u"1");
    EXPECT_EQ(query.allQueryItemValues(QStringLiteral("dt")),
              QStringList({QStringLiteral("t"), QStringLiteral("rm"), QStringLiteral("bd")}));
    EXPECT_EQ(field(query, "sl"), u"auto");
    EXPECT_EQ(field(query, "tl"), u"ru");
    EXPECT_EQ(field(query, "q"), u"Hello, world & 1+1");

    server.setReply(
        "/translate_a/single",
        CannedReply::ok(R"([[["Bonjour ","Hello ",null,null],["monde","world",null,null],
                                        [null,null,"bon-zhoor","he-lo"]],
                                        [["noun",["monde","terre"]]],"en"])"));
    reply = translate("google-web", QStringLiteral("Hello world"), "en", "fr");
    EXPECT_EQ(reply.result.translation, u"Bonjour monde");
    EXPECT_EQ(reply.result.romanization, u"bon-zhoor");
    EXPECT_EQ(reply.result.dictionary, u"noun:\r\n1. monde\r\n2. terre\r\n");

    // An answer without a translated sentence is refused; one bad byte costs only itself.
    for (const char* empty : {"[[]]", "[[],[],[]]", R"({"sentences":[]})"}) {
        server.setReply("/translate_a/single", CannedReply::ok(empty, "application/json"));
        EXPECT_EQ(translate("google-web", QStringLiteral("Hello"), "en", "fr").failure,
                  ServiceFailure::Refused)
            << empty;
    }
    server.setReply(
        "/translate_a/single",
        CannedReply::ok("{\"sentences\":[{\"trans\":\"caf\xE9 ok\"}]}", "application/json"));
    EXPECT_EQ(translate("google-web", QStringLiteral("Hello"), "en", "fr").result.translation,
              QStringLiteral("caf\uFFFD ok"));

    // A page asking to prove the user is human, or a rate-limit status: refused, in words.
    for (const CannedReply& limited :
         {CannedReply::ok("<!DOCTYPE html><html><body>unusual traffic</body></html>"),
          CannedReply::withStatus(429), CannedReply::withStatus(503)}) {
        server.setReply("/translate_a/single", limited);
        reply = translate("google-web", QStringLiteral("Hello"), "en", "fr");
        EXPECT_EQ(reply.failure, ServiceFailure::Refused);
        EXPECT_TRUE(reply.message.contains(u"limits requests")) << reply.message.toStdString();
        EXPECT_TRUE(reply.result.translation.isEmpty());
    }
}

// A page-long text goes in parts that each fit one request, and their translations are joined.
TEST_F(Services, GoogleWebAsksALongTextInPartsAndJoinsThem)
{
    QString text = QStringLiteral("\r\n");
    for (int i = 0; text.size() < 150000; ++i) {
        text += QStringLiteral("Line %1 adds a+b & 50%, then asks? Yes!\r\n").arg(i);
        text += QStringLiteral("这是中文的句子。还有一句！😀🎉 表情 和 空格\r\n");
    }
    text += QStringLiteral("A sentence without end. ").repeated(300) + QStringLiteral("\r\n");
    text += QStringLiteral("字😀").repeated(4000) + QString(12000, u'x') + QStringLiteral("\r\n");
    text += QStringLiteral("word ").repeated(3000) + QStringLiteral("end\r\n");

    // Each part comes back as its own translation and romanization.
    std::atomic<int> asked = 0;
    std::atomic<int> failing = 0;
    server.setResponder([&](const RecordedRequest& r) {
        const int n = ++asked;
        if (n == failing)
            return CannedReply::withStatus(503);
        const QString q = field(QUrlQuery(QString::fromUtf8(r.query)), "q");
        const QJsonObject reply{
            {QStringLiteral("sentences"), QJsonArray{QJsonObject{{QStringLiteral("trans"), q}},
                                                     QJsonObject{{QStringLiteral("translit"), q}}}},
            {QStringLiteral("src"), n == 1 ? QStringLiteral("de") : QStringLiteral("en")}};
        return CannedReply::ok(QJsonDocument(reply).toJson(QJsonDocument::Compact),
                               "application/json");
    });
    ServiceReply reply = translate("google-web", text, "", "fr");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_TRUE(reply.result.translation == text);
    EXPECT_TRUE(reply.result.romanization == text);
    EXPECT_TRUE(reply.result.dictionary.isEmpty());
    EXPECT_EQ(reply.detected, u"de");

    // Every character is sent once and in order; only the whitespace between parts stays home.
    const QList<RecordedRequest> sent = server.requests();
    qsizetype at = 0;
    for (const RecordedRequest& r : sent) {
        const QString q = field(QUrlQuery(QString::fromUtf8(r.query)), "q");
        const qsizetype address = server.baseUrl().size() + r.target.size();
        EXPECT_LE(q.size(), 5000);
        EXPECT_LE(address, 8000);
        while (at < text.size() && text.at(at).isSpace())
            ++at;
        ASSERT_TRUE(QStringView(text).sliced(at).startsWith(q)) << "part at " << at;
        at += q.size();
        // A cut inside a word leaves no room for one more character.
        if (at < text.size() && !text.at(at).isSpace() && !q.back().isPunct()) {
            EXPECT_TRUE(q.size() >= 4999 || address > 8000 - 12) << "part at " << at;
        }
    }
    EXPECT_TRUE(QStringView(text).sliced(at).trimmed().isEmpty());
    EXPECT_LT(sent.size(), 150);

    // One part refused refuses the whole translation, and no part after it is asked.
    server.clearRequests();
    asked = 0;
    failing = 3;
    reply = translate("google-web", text, "", "fr");
    EXPECT_EQ(reply.failure, ServiceFailure::Refused);
    EXPECT_TRUE(reply.message.contains(u"limits requests")) << reply.message.toStdString();
    EXPECT_TRUE(reply.result.translation.isEmpty());
    EXPECT_EQ(server.requestCount(), 3);
}

TEST_F(Services, ThePageServiceNoticesAReplyWithoutATranslationMarker)
{
    qputenv("VERBALTO_TRANSLATE_URL", server.baseUrl().toUtf8());
    server.setReply("/translate_t", CannedReply::ok("<html><body>Something new</body></html>"));
    ServiceSettings page{QStringLiteral("page"), {}, {}, 3000};
    const ServiceReply today = TranslationServices::Make(page)->Translate(
        {QStringLiteral("hi"), {}, QStringLiteral("fr"), QStringLiteral("en")});
    EXPECT_TRUE(today.ok() && today.unrecognised);
    EXPECT_FALSE(TranslationServices::Make(page)->tellsFailures());
    server.setReply("/translate_t",
                    CannedReply::ok("<span onmouseout=\"this.style.backgroundColor='#fff'\">"
                                    "Salut</span></div>"));
    const ServiceReply before = TranslationServices::Make(page)->Translate(
        {QStringLiteral("hi"), {}, QStringLiteral("fr"), QStringLiteral("en")});
    EXPECT_FALSE(before.unrecognised);
    EXPECT_EQ(before.result.translation, u"Salut");
    qunsetenv("VERBALTO_TRANSLATE_URL");
}
