#include "CliOutput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
TranslationResult result(const char* source, const char* translation, const char* romanization,
                         const char* dictionary)
{
    return {QString::fromUtf8(source), QString::fromUtf8(translation),
            QString::fromUtf8(romanization), QString::fromUtf8(dictionary)};
}
} // namespace

TEST(CliPlainText, SectionsFollowAfterBlankLinesOnlyWhenPresent)
{
    EXPECT_EQ(CliOutput::PlainText(result("x", "Bonjour", "", "")), QByteArray("Bonjour\n"));
    EXPECT_EQ(CliOutput::PlainText(result("x", "Bonjour", "bon-zhoor", "")),
              QByteArray("Bonjour\n\nbon-zhoor\n"));
    EXPECT_EQ(CliOutput::PlainText(result("x", "Bonjour", "", "noun:\r\n1. day\r\n")),
              QByteArray("Bonjour\n\nnoun:\n1. day\n"));
    EXPECT_EQ(CliOutput::PlainText(result("x", "A", "a", "verb:\r\n1. b\r\n")),
              QByteArray("A\n\na\n\nverb:\n1. b\n"));
    // Nothing to show is still one (empty) line.
    EXPECT_EQ(CliOutput::PlainText(result("  ", "", "", "")), QByteArray("\n"));
}

TEST(CliPlainText, LineBreaksBecomeNewlinesAndSourceIsNotPrinted)
{
    const auto out = CliOutput::PlainText(result("secret", "one\r\ntwo\rthree\r\n\r\n", "", ""));
    EXPECT_EQ(out, QByteArray("one\ntwo\nthree\n"));
    EXPECT_EQ(CliOutput::PlainText(result("", "\r\nlead", "", "")), QByteArray("\nlead\n"));
    EXPECT_EQ(CliOutput::PlainText(result("", "日本語 é", "", "")),
              QString::fromUtf8("日本語 é\n").toUtf8());
}

TEST(CliJson, EscapesWhatJsonRequiresAndNothingElse)
{
    EXPECT_EQ(CliOutput::JsonString(QString()), QByteArray("\"\""));
    EXPECT_EQ(CliOutput::JsonString(QStringLiteral("a\r\nb")), QByteArray("\"a\\r\\nb\""));
    EXPECT_EQ(CliOutput::JsonString(QStringLiteral("say \"hi\" \\ /")),
              QByteArray("\"say \\\"hi\\\" \\\\ /\""));
    EXPECT_EQ(CliOutput::JsonString(QStringLiteral("\t\b\f")), QByteArray("\"\\t\\b\\f\""));
    EXPECT_EQ(CliOutput::JsonString(QString(QChar(1)) + QChar(0x1f) + QChar(0x7f)),
              QByteArray("\"\\u0001\\u001f\x7f\""));
    EXPECT_EQ(CliOutput::JsonString(QString(QChar(0))), QByteArray("\"\\u0000\""));
    // Non-ASCII text, a character outside the BMP included, is written as UTF-8.
    const QString wide = QString::fromUtf8("Grüße 日本 😀");
    EXPECT_EQ(CliOutput::JsonString(wide), "\"" + wide.toUtf8() + "\"");
}

TEST(CliJson, LoneSurrogatesSurviveAsEscapes)
{
    QString broken = QStringLiteral("a");
    broken += QChar(0xD800);
    broken += QStringLiteral("b");
    broken += QChar(0xDC01);
    EXPECT_EQ(CliOutput::JsonString(broken), QByteArray("\"a\\ud800b\\udc01\""));
    const QString swapped = QString(QChar(0xDE00)) + QChar(0xD83D);
    EXPECT_EQ(CliOutput::JsonString(swapped), QByteArray("\"\\ude00\\ud83d\""));
}

TEST(CliJson, OneObjectOnOneLineInFieldOrder)
{
    const TranslationResult r =
        result("He said \"yes\"\r\n", "Il a dit «oui»\r\n", "", "verb:\r\n1. dire\r\n");
    const QByteArray line =
        CliOutput::JsonLine(r, QStringLiteral("apertium"), QStringLiteral("en"),
                            QStringLiteral("google-web"), QStringLiteral("offline."));
    EXPECT_EQ(line, QByteArray("{\"source\": \"He said \\\"yes\\\"\\r\\n\", ") +
                        "\"translation\": \"" + QString::fromUtf8("Il a dit «oui»").toUtf8() +
                        "\\r\\n\", \"romanization\": \"\", " +
                        "\"dictionary\": \"verb:\\r\\n1. dire\\r\\n\", " +
                        "\"service\": \"apertium\", \"detected\": \"en\", " +
                        "\"fallbackFrom\": \"google-web\", \"fallbackReason\": \"offline.\"}\n");
    EXPECT_EQ(line.count('\n'), 1);

    QJsonParseError error{};
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(o.value(QStringLiteral("source")).toString(), r.sourceText);
    EXPECT_EQ(o.value(QStringLiteral("translation")).toString(), r.translation);
    EXPECT_EQ(o.value(QStringLiteral("romanization")).toString(), r.romanization);
    EXPECT_EQ(o.value(QStringLiteral("dictionary")).toString(), r.dictionary);
    EXPECT_EQ(o.size(), 8);
}

// Output goes out in pieces: a character outside the BMP across a piece's end stays whole.
TEST(CliOutputPieces, LongTextsComeOutWhole)
{
    for (int lead = 32760; lead < 32770; ++lead) {
        const QString text = QString(lead, u'a') + QString::fromUtf8("😀\r\nb ü") +
                             QString(70000, u'c') + QString::fromUtf8("😀");
        QString expected = text;
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(CliOutput::PlainText({QString(), text, QString(), QString()}),
                  (expected + u'\n').toUtf8())
            << lead;
        EXPECT_EQ(
            CliOutput::JsonString(text),
            "\"" +
                QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n")).toUtf8() +
                "\"")
            << lead;
    }
}
