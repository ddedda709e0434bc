#include "OnlineVoice.h"
#include "SpeechPlayer.h"
#include "TestHttpServer.h"

#include <QSignalSpy>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

// An MPEG audio frame header and some padding: the voice's reply as the player sees it.
const QByteArray kMp3 = QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(400, '\0');

QString queryItem(const QByteArray& query, const char* name)
{
    return QUrlQuery(QString::fromLatin1(query))
        .queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded);
}

const QString kLongText =
    QStringLiteral("The quick brown fox jumps over the lazy dog near the river bank. ").repeated(7);

} // namespace

TEST(OnlineVoice, PartsStayUnderTwoHundredAndCutBetweenWords)
{
    const QStringList parts = OnlineVoice::Parts(kLongText);
    ASSERT_EQ(parts.size(), 3);
    for (const QString& part : parts) {
        EXPECT_LE(part.size(), OnlineVoice::kMaxPart);
        EXPECT_TRUE(part.endsWith(u'.')) << qPrintable(part);
    }
    EXPECT_EQ(parts.join(u' '), kLongText.trimmed());
    // One word longer than a part is cut anyway; blanks alone make no request.
    EXPECT_EQ(OnlineVoice::Parts(QString(450, u'x')).size(), 3);
    EXPECT_TRUE(OnlineVoice::Parts(QStringLiteral(" \n ")).isEmpty());
}

TEST(OnlineVoice, OnlyTheGoogleServicesHaveAVoice)
{
    ServiceSettings service;
    service.name = QStringLiteral("google-web");
    service.url = QStringLiteral("http://127.0.0.1:9/");
    EXPECT_EQ(OnlineVoice::Root(service), QStringLiteral("http://127.0.0.1:9"));
    service.name = QStringLiteral("page");
    EXPECT_EQ(OnlineVoice::Root(service), QStringLiteral("https://translate.googleapis.com"));
    for (const char* name : {"apertium", "libretranslate", "deepl"}) {
        service.name = QString::fromLatin1(name);
        EXPECT_TRUE(OnlineVoice::Root(service).isEmpty()) << name;
    }
}

class Voice : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        qputenv("VERBALTO_NO_AUDIO", "1");
        SpeechPlayer::Choice choice;
        choice.onlineRoot = server.baseUrl();
        player.setChoice(choice);
    }
    // Speaks and waits until it is done; whether the local voice took over.
    bool speakToTheEnd(const QString& text, const QString& code)
    {
        QSignalSpy finished(&player, &SpeechPlayer::finished);
        QSignalSpy local(&player, &SpeechPlayer::switchedToLocal);
        QSignalSpy sound(&player, &SpeechPlayer::firstSound);
        EXPECT_EQ(player.speak(text, code), SpeechPlayer::Problem::None);
        EXPECT_TRUE(finished.wait(10000));
        EXPECT_EQ(sound.count(), 1);
        return local.count() == 1;
    }

    TestHttpServer server;
    SpeechPlayer player;
};

TEST_F(Voice, PartsAreAskedForInOrderWithTheWebApiParameters)
{
    server.setReply("/translate_tts", CannedReply::ok(kMp3, "audio/mpeg"));
    const QString text = QStringLiteral("R&D + 中文? ") + kLongText;
    EXPECT_FALSE(speakToTheEnd(text, QStringLiteral("zh-CN")));
    const auto requests = server.requests();
    const QStringList parts = OnlineVoice::Parts(text);
    ASSERT_EQ(requests.size(), parts.size());
    for (qsizetype i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(requests[i].path, QByteArray("/translate_tts"));
        EXPECT_EQ(queryItem(requests[i].query, "ie"), QStringLiteral("UTF-8"));
        EXPECT_EQ(queryItem(requests[i].query, "client"), QStringLiteral("gtx"));
        EXPECT_EQ(queryItem(requests[i].query, "tl"), QStringLiteral("zh-CN"));
        EXPECT_EQ(queryItem(requests[i].query, "q"), parts[i]);
    }
}

TEST_F(Voice, TheLocalVoiceTakesOverFromAFailingWebVoice)
{
    const QList<CannedReply> failures = {
        CannedReply::withStatus(404, "not found"),
        CannedReply::ok("<html><body>Sorry</body></html>"),
        CannedReply::hang(),
    };
    for (const CannedReply& failure : failures) {
        server.clearRequests();
        server.setReply("/translate_tts", failure);
        EXPECT_TRUE(speakToTheEnd(QStringLiteral("Buenos días"), QStringLiteral("es")));
        EXPECT_EQ(server.requestCount(), 1);
    }
    // The second part fails: the first was spoken online, the rest locally.
    server.clearRequests();
    auto count = std::make_shared<std::atomic<int>>(0);
    server.setResponder([count](const RecordedRequest&) {
        return ++*count == 2 ? CannedReply::withStatus(500) : CannedReply::ok(kMp3, "audio/mpeg");
    });
    EXPECT_TRUE(speakToTheEnd(kLongText, QStringLiteral("en")));
    EXPECT_EQ(server.requestCount(), 2);
}

TEST_F(Voice, SaysWhyWhenNoVoiceSpeaks)
{
    SpeechPlayer::Choice local;
    local.preferLocal = true;
    player.setChoice(local);
    // Yiddish has no voice on this computer; with the web voice chosen it is asked for.
    EXPECT_EQ(player.speak(QStringLiteral("שלום"), QStringLiteral("yi")),
              SpeechPlayer::Problem::NoVoice);
    EXPECT_FALSE(player.speaking());
    EXPECT_EQ(server.requestCount(), 0);
    // The web voice fails and nothing here speaks the language.
    player.setChoice({server.baseUrl(), false, 3000});
    QSignalSpy failed(&player, &SpeechPlayer::failed);
    EXPECT_EQ(player.speak(QStringLiteral("שלום"), QStringLiteral("yi")),
              SpeechPlayer::Problem::None);
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(failed.first().first().value<SpeechPlayer::Problem>(),
              SpeechPlayer::Problem::NoVoice);
}
