#include "LocalVoice.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double rms(const QByteArray& pcm)
{
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return count ? std::sqrt(sum / double(count)) : 0;
}

} // namespace

TEST(LocalVoice, SpeaksSeveralLanguagesAloudAndLongerForLongerText)
{
    ASSERT_GT(LocalVoice::SampleRate(), 8000);
    const struct
    {
        const char* code;
        QString shortText, longText;
    } cases[] = {
        {"en", QStringLiteral("Good morning"),
         QStringLiteral("Good morning, how are you today? The weather is fine.")},
        {"es", QStringLiteral("Buenos días"),
         QStringLiteral("Buenos días, ¿cómo estás hoy? Hace buen tiempo.")},
        {"zh-CN", QStringLiteral("你好"), QStringLiteral("你好，今天天气很好，我们去公园吧。")},
        {"ar", QStringLiteral("مرحبا"), QStringLiteral("مرحبا، كيف حالك اليوم؟ الطقس جميل.")},
        {"ja", QStringLiteral("こんにちは"),
         QStringLiteral("こんにちは、きょうは いい てんき ですね。")},
    };
    for (const auto& c : cases) {
        const QString code = QString::fromLatin1(c.code);
        ASSERT_TRUE(LocalVoice::HasVoice(code)) << c.code;
        const QByteArray shortSound = LocalVoice::Synthesize(c.shortText, code);
        const QByteArray longSound = LocalVoice::Synthesize(c.longText, code);
        EXPECT_GT(rms(shortSound), 300.0) << c.code;
        EXPECT_GT(rms(longSound), 300.0) << c.code;
        // Half a second of 16-bit samples at least, and more for the longer text.
        EXPECT_GT(shortSound.size(), LocalVoice::SampleRate()) << c.code;
        EXPECT_GT(longSound.size(), shortSound.size() * 2) << c.code;
    }
}

TEST(LocalVoice, CatalogueCodesMapToTheVoicesEspeakKnows)
{
    EXPECT_EQ(LocalVoice::VoiceName(QStringLiteral("zh-CN")), QStringLiteral("cmn"));
    EXPECT_EQ(LocalVoice::VoiceName(QStringLiteral("iw")), QStringLiteral("he"));
    EXPECT_EQ(LocalVoice::VoiceName(QStringLiteral("no")), QStringLiteral("nb"));
    for (const char* code : {"zh-TW", "iw", "no", "fr", "de", "ru", "hi", "ko"})
        EXPECT_TRUE(LocalVoice::HasVoice(QString::fromLatin1(code))) << code;
    // Yiddish and Filipino have no voice; automatic detection names no language.
    for (const char* code : {"yi", "tl", ""})
        EXPECT_FALSE(LocalVoice::HasVoice(QString::fromLatin1(code))) << code;
    EXPECT_TRUE(LocalVoice::Synthesize(QStringLiteral("hello"), QStringLiteral("yi")).isEmpty());
}

TEST(LocalVoice, CancelStopsALongSynthesis)
{
    const QString text = QStringLiteral("This sentence goes on and on. ").repeated(40);
    std::atomic<bool> cancel = true;
    const QByteArray cut = LocalVoice::Synthesize(text, QStringLiteral("en"), &cancel);
    const QByteArray whole = LocalVoice::Synthesize(text, QStringLiteral("en"));
    EXPECT_LT(cut.size() * 10, whole.size());
}

TEST(LocalVoice, SentencesBeginShortAndKeepEveryWord)
{
    const QString text =
        QStringLiteral("One two three four five six seven eight nine ten. ").repeated(30);
    const QStringList pieces = LocalVoice::Sentences(text);
    ASSERT_GT(pieces.size(), 3);
    EXPECT_LE(pieces.first().size(), 80);
    EXPECT_EQ(pieces.join(QLatin1Char(' ')).simplified(), text.simplified());
}
