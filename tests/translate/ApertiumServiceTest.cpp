// The Apertium service against a real APY server with Debian's English-Spanish pair.
#include "ApertiumServer.h"
#include "TranslationService.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

class Apertium : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { server = std::make_unique<ApertiumServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { ASSERT_TRUE(server->started()) << "apertium-apy did not start"; }

    static ServiceReply translate(const QString& url, const char* text, const char* source,
                                  const char* target)
    {
        ServiceSettings settings{QStringLiteral("apertium"), url, {}, 20000};
        return TranslationServices::Make(settings)->Translate(
            {QString::fromUtf8(text), QLatin1String(source), QLatin1String(target),
             QStringLiteral("en")});
    }

    static std::unique_ptr<ApertiumServer> server;
};
std::unique_ptr<ApertiumServer> Apertium::server;

} // namespace

TEST_F(Apertium, TranslatesBothWaysOfTheInstalledPair)
{
    ServiceReply reply = translate(server->baseUrl(), "Good morning", "en", "es");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_EQ(reply.result.translation, QString::fromUtf8("Buenos días"));
    EXPECT_TRUE(reply.result.romanization.isEmpty());
    EXPECT_TRUE(reply.raw.contains("translatedText"));

    reply = translate(server->baseUrl(), "Buenos días\nmi amigo", "es", "en");
    ASSERT_TRUE(reply.ok()) << reply.message.toStdString();
    EXPECT_TRUE(reply.result.translation.startsWith(u"Good morning\r\n"))
        << reply.result.translation.toStdString();
}

TEST_F(Apertium, RefusesWhatItCannotDoInWords)
{
    ServiceReply reply = translate(server->baseUrl(), "Good morning", "en", "fr");
    EXPECT_EQ(reply.failure, ServiceFailure::Refused);
    EXPECT_TRUE(reply.message.contains(u"English") && reply.message.contains(u"French"));
    EXPECT_TRUE(reply.message.contains(u"English → Spanish")) << reply.message.toStdString();

    // Debian's APY has no language identification: the user is asked for a source language.
    reply = translate(server->baseUrl(), "Good morning", "", "es");
    EXPECT_EQ(reply.failure, ServiceFailure::Refused);
    EXPECT_TRUE(reply.message.contains(u"source language")) << reply.message.toStdString();
}

TEST_F(Apertium, AStoppedServerIsUnreachable)
{
    ApertiumServer own;
    ASSERT_TRUE(own.started());
    ASSERT_TRUE(translate(own.baseUrl(), "Good morning", "en", "es").ok());
    own.stop();
    const ServiceReply reply = translate(own.baseUrl(), "Good night", "en", "es");
    EXPECT_EQ(reply.failure, ServiceFailure::Unreachable);
    EXPECT_FALSE(reply.message.isEmpty());
}
