#include "ParseTranslateReply.h"

#include <QStringList>

#include <random>

#include <gtest/gtest.h>

namespace {

const QString kStart = QStringLiteral("onmouseout=\"this.style.backgroundColor='#fff'\">");
const QString kRomanStart =
    QStringLiteral("<div id=res-translit class=translit dir=ltr style=\"text-align:\">");

QString span(const QString& sentence)
{
    return QStringLiteral("<span title=\"src\" onmouseover=\"this.style.backgroundColor='#ebeff9'\" ") +
           kStart + sentence + QStringLiteral("</span>");
}

// A page shaped like the service's reply: header, result box, romanization, dictionary.
QString page(const QStringList& sentences, const QString& romanization, const QString& dictionary)
{
    QString p = QStringLiteral("<html><head><title>Google Translate</title></head><body>"
                               "<div id=gt-res-content><div dir=\"ltr\"><span id=result_box class=\"short_text\">");
    for (const QString& s : sentences)
        p += span(s);
    p += QStringLiteral("</span></div></div>");
    if (!romanization.isNull())
        p += kRomanStart + romanization + QStringLiteral("</div>");
    if (!dictionary.isNull())
        p += QStringLiteral("<div id=gt-res-dict><h3>Dictionary</h3><ol><li>") + dictionary +
             QStringLiteral("</li></ol></div>");
    return p + QStringLiteral("</body></html>");
}

} // namespace

TEST(ReplyExtraction, SentencesJoinInOrderWithLineBreaks)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("Bonjour. "), QStringLiteral("Comment<br>allez-vous?")},
                                            QString(), QString()));
    EXPECT_EQ(r.translation, u"Bonjour. Comment\r\nallez-vous?");
    EXPECT_EQ(r.romanization, u"");
    EXPECT_EQ(r.dictionary, u"");
    EXPECT_TRUE(r.sourceText.isEmpty());
}

TEST(ReplyExtraction, KeepsQuestionMarks)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("Wie geht's? Gut?")}, QStringLiteral("a?b"), QString()));
    EXPECT_EQ(r.translation, u"Wie geht's? Gut?");
    EXPECT_EQ(r.romanization, u"a?b");
}

TEST(ReplyExtraction, TranslationDecodingRowsRunInOrder)
{
    const auto r = ParseTranslateReply(page(
        {QStringLiteral("a&amp;quot;b&lt;br&gt;c&amp;#39;d&amp;amp;e&amp;lt;f&amp;gt;g&lt;h&gt;i&#39;j&quot;k&amp;l")},
        QString(), QString()));
    EXPECT_EQ(r.translation, u"a\r\nb\r\nc'd&e<f>g<h>i'j\"k&l");
    // Row 5 makes a "&lt;" that row 8 then decodes.
    EXPECT_EQ(ParseTranslateReply(page({QStringLiteral("&amp;amp;lt; &amp;amp;")}, QString(), QString())).translation,
              u"< &");
}

TEST(ReplyExtraction, RomanizationDecodingTurnsDoubleSpacesIntoLineBreaks)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("x")},
                                            QStringLiteral("ni hao  shi jie&#39;s &amp;quot;&lt;br&gt;&amp;"),
                                            QString()));
    EXPECT_EQ(r.romanization, u"ni hao\r\nshi jie's \r\n<br>&");
    EXPECT_EQ(ParseTranslateReply(page({QStringLiteral("x")}, QStringLiteral("a   b"), QString())).romanization,
              u"a\r\n b");
}

TEST(ReplyExtraction, DictionaryIsNumberedAndNotDecoded)
{
    const QString dict = QStringLiteral(
        "noun<div><div>house</div><div>home</div></div></li><li>verb<div><div>to house</div></div>"
        "</li><li>adjective<div><div>R&amp;D</div></div>");
    const auto r = ParseTranslateReply(page({QStringLiteral("maison")}, QString(), dict));
    EXPECT_EQ(r.dictionary, u"noun:\r\n1. house\r\n2. home\r\nverb:\r\n1. to house\r\nadjective:\r\n1. R&amp;D\r\n");
}

TEST(ReplyExtraction, DictionaryTagsGoAsTwoRemovalsInTurnWould)
{
    // Every "<li>" goes first; a group close that only its removal makes goes as well, one
    // that only the removal of another group close makes stays.
    const auto r = ParseTranslateReply(
        page({QStringLiteral("x")}, QString(),
             QStringLiteral("noun<div><div>a<l<li>i>b</div><div>c</div><li></div>d</div><div>e"
                            "</div></d</div></div>iv>f</div></div>")));
    EXPECT_EQ(r.dictionary, u"noun:\r\n1. a<li>b\r\n2. cd\r\n3. e</div></div>f\r\n");
}

TEST(ReplyExtraction, HeadingWithoutWordListHasNoWords)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("x")}, QString(),
                                            QStringLiteral("interjection</li><li>noun<div><div>a</div></div>")));
    EXPECT_EQ(r.dictionary, u"interjection:\r\nnoun:\r\n1. a\r\n");
}

TEST(ReplyExtraction, OnlyTheSecondPieceIsTheWordList)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("x")}, QString(),
                                            QStringLiteral("noun<div><div>a</div><div>b<div><div>ignored")));
    EXPECT_EQ(r.dictionary, u"noun:\r\n1. a\r\n2. b\r\n");
}

TEST(ReplyExtraction, MissingStartMarkersGiveEmptyFieldsButKeepTheOthers)
{
    QString noTranslation = page({QStringLiteral("x")}, QStringLiteral("roma"),
                                 QStringLiteral("noun<div><div>a</div></div>"));
    noTranslation.replace(kStart, QStringLiteral("onmouseout=\"x\">"));
    const auto r = ParseTranslateReply(noTranslation);
    EXPECT_EQ(r.translation, u"");
    EXPECT_EQ(r.romanization, u"roma");
    EXPECT_EQ(r.dictionary, u"noun:\r\n1. a\r\n");
}

TEST(ReplyExtraction, MissingEndMarkersGiveEmptyFields)
{
    EXPECT_EQ(ParseTranslateReply(kStart + QStringLiteral("never closed</span>")).translation, u"");
    EXPECT_EQ(ParseTranslateReply(kRomanStart + QStringLiteral("open")).romanization, u"");
    EXPECT_EQ(ParseTranslateReply(QStringLiteral("</h3><ol><li>noun<div><div>a</div></div>")).dictionary, u"");
}

TEST(ReplyExtraction, PieceWithoutStartMarkerAddsNothing)
{
    const QString reply = kStart + QStringLiteral("one</span><b>other</b></span>") + kStart +
                          QStringLiteral("two</span></div>");
    EXPECT_EQ(ParseTranslateReply(reply).translation, u"onetwo");
}

TEST(ReplyExtraction, EmptyReplyAndErrorPage)
{
    EXPECT_EQ(ParseTranslateReply(QString()), TranslationResult{});
    const QString errorPage = QStringLiteral(
        "<html><head><title>Error 404 (Not Found)!!1</title></head><body><div><p><b>404.</b> "
        "That's an error.</p></div></body></html>");
    EXPECT_EQ(ParseTranslateReply(errorPage), TranslationResult{});
}

TEST(ReplyExtraction, NonAsciiPassesUnchanged)
{
    const auto r = ParseTranslateReply(page({QStringLiteral("你好，世界"), QStringLiteral(" مرحبا 😀")},
                                            QStringLiteral("Nǐ hǎo"), QString()));
    EXPECT_EQ(r.translation, u"你好，世界 مرحبا 😀");
    EXPECT_EQ(r.romanization, u"Nǐ hǎo");
}

TEST(ReplyExtraction, ManySpansStayLinear)
{
    QStringList sentences;
    for (int i = 0; i < 20000; ++i)
        sentences << QStringLiteral("s%1 ").arg(i);
    const auto r = ParseTranslateReply(page(sentences, QString(), QString()));
    EXPECT_TRUE(r.translation.startsWith(u"s0 s1 s2 "));
    EXPECT_TRUE(r.translation.endsWith(u"s19999 "));
}

namespace {

struct Row
{
    const char16_t* from;
    const char16_t* to;
};

const Row kListA[] = {
    {u"&amp;quot;", u"\r\n"}, {u"&lt;br&gt;", u"\r\n"}, {u"&amp;#39;", u"'"}, {u"&amp;amp;", u"&"},
    {u"&amp;lt;", u"<"},      {u"&amp;gt;", u">"},      {u"&lt;", u"<"},      {u"&gt;", u">"},
    {u"&#39;", u"'"},         {u"&quot;", u"\""},       {u"&amp;", u"&"},
};
const Row kListB[] = {
    {u"&amp;quot;", u"\r\n"}, {u"  ", u"\r\n"},    {u"&amp;#39;", u"'"}, {u"&#39;", u"'"},
    {u"&amp;amp;", u"&"},     {u"&amp;lt;", u"<"}, {u"&amp;gt;", u">"},  {u"&lt;", u"<"},
    {u"&gt;", u">"},          {u"&quot;", u"\""},  {u"&amp;", u"&"},
};

// The decoding as first written: each row replaced through the whole text in turn.
template <std::size_t N> QString replaceRowByRow(QString text, const Row (&rows)[N])
{
    for (const Row& row : rows)
        text.replace(QString::fromUtf16(row.from), QString::fromUtf16(row.to));
    return text;
}

// Random strings of the given pieces, the same ones on every run.
QByteArray randomText(std::mt19937& random, const std::vector<QByteArray>& pieces, int most)
{
    QByteArray text;
    const int count = int(random() % unsigned(most)) + 1;
    for (int i = 0; i < count; ++i)
        text += pieces[random() % pieces.size()];
    return text;
}

} // namespace

TEST(ReplyExtraction, EveryDecodingRowOfBothListsApplies)
{
    // Each row alone between two letters; leaving any row out leaves its entity (or a
    // half-decoded one) in the text.
    const auto around = [](const char16_t* s) -> QString {
        return u"x" + QString::fromUtf16(s) + u"y";
    };
    for (const Row& row : kListA)
        EXPECT_EQ(ParseTranslateReply(page({around(row.from)}, QString(), QString())).translation,
                  around(row.to))
            << QString::fromUtf16(row.from).toStdString();
    for (const Row& row : kListB)
        EXPECT_EQ(ParseTranslateReply(page({QStringLiteral("s")}, around(row.from), QString()))
                      .romanization,
                  around(row.to))
            << QString::fromUtf16(row.from).toStdString();
}

TEST(ReplyExtraction, DecodingInOnePassEqualsReplacingRowByRow)
{
    // Entities cut and joined so that the output of one row can feed a later one.
    const std::vector<QByteArray> pieces = {"&",    "amp;", "quot;", "lt;",        "gt;",
                                            "#39;", "br",   "<br>",  "<",          ">",
                                            " ",    "x",    ";",     "&lt;br&gt;", "\xc3\xa9"};
    std::mt19937 random(17);
    for (int i = 0; i < 20000; ++i) {
        const QString text = QString::fromUtf8(randomText(random, pieces, 12));
        const TranslationResult r = ParseTranslateReply(page({text}, text, QString()));
        QString translation = text;
        translation.replace(QStringLiteral("<br>"), QStringLiteral("\r\n"));
        ASSERT_EQ(r.translation, replaceRowByRow(translation, kListA)) << text.toStdString();
        ASSERT_EQ(r.romanization, replaceRowByRow(text, kListB)) << text.toStdString();
    }
}

TEST(ReplyExtraction, BytesGiveWhatTheDecodedPageGives)
{
    // Markers, entities and broken UTF-8 (cut sequences, stray continuation bytes) around them.
    const std::vector<QByteArray> pieces = {kStart.toUtf8(),
                                            "</span>",
                                            "</span></div>",
                                            kRomanStart.toUtf8(),
                                            "</div>",
                                            "</h3><ol><li>",
                                            "</li></ol>",
                                            "<li>",
                                            "</li>",
                                            "<div><div>",
                                            "</div><div>",
                                            "</div></div>",
                                            "&amp;",
                                            "  ",
                                            "x",
                                            "\xe4\xbd\xa0",
                                            "\xe4",
                                            "\xbd",
                                            "\xa0\xa0",
                                            "\xff",
                                            "\xf0\x9f\x98",
                                            "\xef\xbb\xbf"};
    std::mt19937 random(17);
    for (int i = 0; i < 20000; ++i) {
        const QByteArray reply = randomText(random, pieces, 30);
        const TranslationResult decoded = ParseTranslateReply(QString::fromUtf8(reply));
        ASSERT_EQ(ParseTranslateReplyUtf8(reply), decoded) << reply.toHex().toStdString();
        // A page of its own, freed while the dictionary is still to be built.
        ASSERT_EQ(ParseTranslateReplyUtf8(QByteArray(reply.constData(), reply.size())), decoded)
            << reply.toHex().toStdString();
    }
}
