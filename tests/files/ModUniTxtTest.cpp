#include "ModUniTxt.h"

#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace ModUniTxt;

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

class UniTxtFiles : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("t.txt")) const { return dir.filePath(name); }

    // Reads raw bytes back as the given format, returning the text and the format it ended as.
    std::pair<QString, TextFormat> read(const QByteArray& content, TextFormat format)
    {
        EXPECT_TRUE(TestUtil::writeFile(path(), content));
        const QString text = ReadUniText(path(), format);
        return {text, format};
    }
};

} // namespace

TEST(DetectBom, RecognisesMarksInOrder)
{
    struct Case
    {
        QByteArray head;
        TextFormat format;
        int length;
    };
    const Case cases[] = {
        {bytes({0xFF, 0xFE, 0x00, 0x00}), Utf32LE, 4},
        {bytes({0x00, 0x00, 0xFE, 0xFF}), Utf32BE, 4},
        {bytes({0xFF, 0xFE, 0x41, 0x00}), Utf16LE, 2},
        {bytes({0xFE, 0xFF, 0x00, 0x41}), Utf16BE, 2},
        {bytes({0xEF, 0xBB, 0xBF, 0x41}), Utf8, 3},
        {bytes({0xEF, 0xBB, 0x41, 0x41}), Ansi, 0},
        {bytes({0x41, 0x42, 0x43, 0x44}), Ansi, 0},
        // Missing bytes count as 0: a bare FF FE looks like the UTF-32 mark.
        {bytes({0xFF, 0xFE}), Utf32LE, 4},
        {bytes({0xEF, 0xBB, 0xBF}), Utf8, 3},
        {QByteArray(), Ansi, 0},
    };
    for (const Case& c : cases) {
        const Bom bom = DetectBom(c.head);
        EXPECT_EQ(bom.format, c.format) << c.head.toHex().constData();
        EXPECT_EQ(bom.length, c.length) << c.head.toHex().constData();
    }
}

TEST(BomOfFormat, MarksPerFormat)
{
    EXPECT_EQ(BomOfFormat(Utf8), bytes({0xEF, 0xBB, 0xBF}));
    EXPECT_EQ(BomOfFormat(Utf16LE), bytes({0xFF, 0xFE}));
    EXPECT_EQ(BomOfFormat(Utf16BE), bytes({0xFE, 0xFF}));
    EXPECT_EQ(BomOfFormat(Utf32LE), bytes({0xFF, 0xFE, 0x00, 0x00}));
    EXPECT_EQ(BomOfFormat(Utf32BE), bytes({0x00, 0x00, 0xFE, 0xFF}));
    EXPECT_TRUE(BomOfFormat(Detect).isEmpty());
    EXPECT_TRUE(BomOfFormat(Ansi).isEmpty());
    EXPECT_TRUE(BomOfFormat(TextFormat(9)).isEmpty());
}

TEST_F(UniTxtFiles, ReadsEachMarkedFormat)
{
    auto [le, leFormat] = read(bytes({0xFF, 0xFE, 0x41, 0x00, 0xAC, 0x20}), Detect);
    EXPECT_EQ(le, QStringLiteral("A€"));
    EXPECT_EQ(leFormat, Utf16LE);

    // A surrogate pair survives the byte swap.
    auto [be, beFormat] = read(bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x3D, 0xDE, 0x00}), Detect);
    EXPECT_EQ(be, QStringLiteral("A\U0001F600"));
    EXPECT_EQ(beFormat, Utf16BE);

    auto [u8, u8Format] = read(bytes({0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 0x0D, 0x0A}), Detect);
    EXPECT_EQ(u8, QStringLiteral("é\r\n"));
    EXPECT_EQ(u8Format, Utf8);

    // Without a mark the locale's encoding decides (UTF-8 here).
    auto [ansi, ansiFormat] = read(QByteArray("caf\xC3\xA9"), Detect);
    EXPECT_EQ(ansi, QStringLiteral("café"));
    EXPECT_EQ(ansiFormat, Ansi);
}

TEST_F(UniTxtFiles, Utf32IsRecognisedButReadsEmpty)
{
    EXPECT_EQ(read(bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}), Detect),
              std::make_pair(QString(), Utf32LE));
    EXPECT_EQ(read(bytes({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x41}), Detect),
              std::make_pair(QString(), Utf32BE));
    // What cannot be UTF-32LE is UTF-16LE starting with U+0000, or its mark alone.
    EXPECT_EQ(read(bytes({0xFF, 0xFE}), Detect), std::make_pair(QString(), Utf16LE));
    EXPECT_EQ(read(bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00}), Detect),
              std::make_pair(QStringLiteral("\u0000A"), Utf16LE));
    EXPECT_EQ(read(bytes({0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x42, 0x00}), Detect),
              std::make_pair(QStringLiteral("\u0000AB"), Utf16LE));
}

TEST_F(UniTxtFiles, GivenFormatDecidesWhetherTheMarkIsText)
{
    // Differs from the mark: the mark bytes are decoded as content.
    auto [asLe, f1] = read(bytes({0xEF, 0xBB, 0xBF, 0x41}), Utf16LE);
    EXPECT_EQ(asLe, QStringLiteral("\uBBEF\u41BF"));
    EXPECT_EQ(f1, Utf16LE);

    auto [asAnsi, f2] = read(bytes({0xEF, 0xBB, 0xBF, 0x41}), Ansi);
    EXPECT_EQ(asAnsi, QStringLiteral("\uFEFFA"));
    EXPECT_EQ(f2, Ansi);

    // Equal to the mark: skipped; a second mark behind it is text.
    auto [same, f3] = read(bytes({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF, 0x41}), Utf8);
    EXPECT_EQ(same, QStringLiteral("\uFEFFA"));
    EXPECT_EQ(f3, Utf8);

    // No mark, given UTF-16BE: everything is content.
    EXPECT_EQ(read(bytes({0x00, 0x41, 0x00, 0x42}), Utf16BE).first, QStringLiteral("AB"));
}

TEST_F(UniTxtFiles, OddTrailingByteAndBrokenSequences)
{
    EXPECT_EQ(read(bytes({0xFF, 0xFE, 0x41, 0x00, 0x42}), Detect).first, QStringLiteral("A"));
    EXPECT_EQ(read(bytes({0xFE, 0xFF, 0x00, 0x41, 0x00}), Detect).first, QStringLiteral("A"));
    EXPECT_EQ(read(bytes({0xFE, 0xFF, 0x00}), Detect), std::make_pair(QString(), Utf16BE));
    // A cut-off UTF-8 sequence at the end shows as a replacement, not silently lost.
    EXPECT_EQ(read(QByteArray("A\xC3"), Utf8).first, QStringLiteral("A\uFFFD"));
}

// The text is read in chunks: whatever straddles a chunk's end decodes as the whole file would.
TEST_F(UniTxtFiles, ChunkEndsChangeNothing)
{
    const QByteArray pieces[] = {"\xE2\x82\xAC",         "\xF0\x9F\x98\x80", "\xE2\x82z",
                                 "\x80\x80\x80\x80\x80", "\xC3\r\n",         "\xEF\xBB\xBF"};
    for (const QByteArray& piece : pieces) {
        for (int before = 0; before <= 5; ++before) {
            QByteArray content(ReadChunk - before, 'a');
            content += piece + QByteArray(before + 10, 'b') + piece;
            QStringDecoder whole(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                             QStringConverter::Flag::Stateless);
            EXPECT_EQ(read(content, Utf8).first, whole.decode(content))
                << piece.toHex().constData() << " at " << before;
        }
    }

    // UTF-16 is swapped in place: a long text keeps every unit.
    QString text;
    for (int i = 0; i < 1000; ++i)
        text += QStringLiteral("x\u20AC\U0001F600");
    QByteArray be("\xFE\xFF");
    for (const QChar c : text)
        be += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
    EXPECT_EQ(read(be, Detect).first, text);
}

TEST_F(UniTxtFiles, FailuresReadAsEmpty)
{
    TextFormat f = Detect;
    EXPECT_TRUE(ReadUniText(path(QStringLiteral("missing.txt")), f).isEmpty());
    EXPECT_EQ(f, Detect); // not opened, nothing detected

    EXPECT_EQ(read(QByteArray(), Detect), std::make_pair(QString(), Ansi));
    EXPECT_EQ(read(QByteArray("text"), TextFormat(6)), std::make_pair(QString(), TextFormat(6)));
    EXPECT_EQ(read(QByteArray("text"), TextFormat(-2)), std::make_pair(QString(), TextFormat(-2)));

    f = Detect;
    EXPECT_TRUE(ReadUniText(dir.path(), f).isEmpty());
    f = Detect;
    EXPECT_TRUE(ReadUniText(QString(), f).isEmpty());
}

TEST_F(UniTxtFiles, FifoIsRefusedWithoutWaitingForAWriter)
{
    const QByteArray fifo = QFile::encodeName(path(QStringLiteral("fifo")));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    TextFormat f = Detect;
    EXPECT_TRUE(ReadUniText(fifo, f).isEmpty());
}

TEST_F(UniTxtFiles, TwoGibibytesOrMoreIsRefusedUnread)
{
    // Sparse: the size is there without the data being written.
    ASSERT_TRUE(TestUtil::writeFile(path(), bytes({0xFF, 0xFE, 0x41, 0x00})));
    ASSERT_EQ(::truncate(QFile::encodeName(path()).constData(), MaxReadSize), 0);
    TextFormat f = Detect;
    EXPECT_TRUE(ReadUniText(path(), f).isEmpty());
    EXPECT_EQ(f, Detect);
}

TEST_F(UniTxtFiles, NamesOutsideUtf8WorkAsTheFileSystemHoldsThem)
{
    const QByteArray name = QFile::encodeName(dir.path()) + QByteArray("/caf\xE9 \xFF.txt");
    TextFormat f = Utf16LE;
    ASSERT_TRUE(WriteUniText(name, QStringLiteral("latin"), false, f, Detect));
    struct stat st
    {
    };
    EXPECT_EQ(::stat(name.constData(), &st), 0); // exactly those bytes on disk
    f = Detect;
    EXPECT_EQ(ReadUniText(name, f), QStringLiteral("latin"));
    EXPECT_EQ(f, Utf16LE);

    const QString unicodeName = path(QStringLiteral("日本語 テキスト.txt"));
    f = Utf8;
    ASSERT_TRUE(WriteUniText(unicodeName, QStringLiteral("x"), false, f, Detect));
    EXPECT_TRUE(QFile::exists(unicodeName));
    f = Detect;
    EXPECT_EQ(ReadUniText(unicodeName, f), QStringLiteral("x"));
}

TEST_F(UniTxtFiles, WritesEachFormatByteForByte)
{
    const QString text = QStringLiteral("A€");
    struct Case
    {
        TextFormat format;
        QByteArray expected;
        bool ok;
    };
    const Case cases[] = {
        {Ansi, bytes({0x41, 0xE2, 0x82, 0xAC}), true},
        {Utf8, bytes({0xEF, 0xBB, 0xBF, 0x41, 0xE2, 0x82, 0xAC}), true},
        {Utf16LE, bytes({0xFF, 0xFE, 0x41, 0x00, 0xAC, 0x20}), true},
        {Utf16BE, bytes({0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC}), true},
        // UTF-32: the mark is written, the text is not.
        {Utf32LE, bytes({0xFF, 0xFE, 0x00, 0x00}), false},
        {Utf32BE, bytes({0x00, 0x00, 0xFE, 0xFF}), false},
    };
    for (const Case& c : cases) {
        TextFormat f = c.format;
        EXPECT_EQ(WriteUniText(path(), text, false, f, Detect), c.ok) << c.format;
        EXPECT_EQ(TestUtil::readFile(path()), c.expected) << c.format;
        EXPECT_EQ(f, c.format);
    }

    TextFormat f = Utf16BE;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("A"), false, f, Detect));
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xFE, 0xFF, 0x00, 0x41}));
    f = Utf8;
    EXPECT_TRUE(WriteUniText(path(), QString(), false, f, Detect));
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xEF, 0xBB, 0xBF}));
}

TEST_F(UniTxtFiles, RoundTripsEveryTextFormat)
{
    const QString text = QStringLiteral("Zeile 1\r\n第二行 \U0001F600\r\n\tend ");
    for (TextFormat format : {Ansi, Utf8, Utf16LE, Utf16BE}) {
        TextFormat f = format;
        ASSERT_TRUE(WriteUniText(path(), text, false, f, Detect));
        TextFormat back = Detect;
        EXPECT_EQ(ReadUniText(path(), back), text) << format;
        EXPECT_EQ(back, format);
    }
}

// UTF-16 is encoded a piece at a time as it is written: every piece arrives, in order.
TEST_F(UniTxtFiles, LongUtf16TextIsWrittenWhole)
{
    QString text;
    for (int i = 0; text.size() < (1 << 20) + 5; ++i)
        text += QString::number(i) + QStringLiteral(" \U0001F600");
    for (const TextFormat written : {Utf16LE, Utf16BE}) {
        TextFormat format = written;
        ASSERT_TRUE(WriteUniText(path(), text, false, format, written));
        EXPECT_EQ(QFile(path()).size(), 2 + text.size() * 2);
        format = Detect;
        EXPECT_TRUE(ReadUniText(path(), format) == text);
        EXPECT_EQ(format, written);
    }
}

TEST_F(UniTxtFiles, ReplacingLeavesNoTailOfTheOldFile)
{
    ASSERT_TRUE(TestUtil::writeFile(path(), QByteArray(100, 'x')));
    TextFormat f = Utf16LE;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("A"), false, f, Detect));
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xFF, 0xFE, 0x41, 0x00}));
}

TEST_F(UniTxtFiles, AppendingFollowsTheFilesOwnMark)
{
    ASSERT_TRUE(TestUtil::writeFile(path(), bytes({0xFF, 0xFE, 0x41, 0x00})));
    TextFormat f = Detect;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("B"), true, f, Utf8));
    EXPECT_EQ(f, Utf16LE);
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}));

    // No mark: the locale's encoding, nothing in front.
    ASSERT_TRUE(TestUtil::writeFile(path(), QByteArray("a")));
    f = Detect;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("é"), true, f, Utf16BE));
    EXPECT_EQ(f, Ansi);
    EXPECT_EQ(TestUtil::readFile(path()), QByteArray("a\xC3\xA9"));

    // A given format appends without a mark, whatever the file holds.
    f = Utf16BE;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("B"), true, f, Detect));
    EXPECT_EQ(TestUtil::readFile(path()), QByteArray("a\xC3\xA9\x00\x42", 5));
}

TEST_F(UniTxtFiles, AppendingToNothingStartsANewFileWithTheDefault)
{
    TextFormat f = Detect;
    ASSERT_TRUE(
        WriteUniText(path(QStringLiteral("new.txt")), QStringLiteral("A"), true, f, Utf16BE));
    EXPECT_EQ(f, Utf16BE);
    EXPECT_EQ(TestUtil::readFile(path(QStringLiteral("new.txt"))), bytes({0xFE, 0xFF, 0x00, 0x41}));

    ASSERT_TRUE(TestUtil::writeFile(path(), QByteArray()));
    f = Detect;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("A"), true, f, Utf8));
    EXPECT_EQ(f, Utf8);
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xEF, 0xBB, 0xBF, 0x41}));

    // An existing file with a given format gets no mark when it already has content, but an
    // empty one is treated as new.
    ASSERT_TRUE(TestUtil::writeFile(path(), QByteArray()));
    f = Utf16LE;
    ASSERT_TRUE(WriteUniText(path(), QStringLiteral("A"), true, f, Detect));
    EXPECT_EQ(TestUtil::readFile(path()), bytes({0xFF, 0xFE, 0x41, 0x00}));

    // Nothing decides the format: no text is written.
    ASSERT_TRUE(TestUtil::writeFile(path(), QByteArray()));
    f = Detect;
    EXPECT_FALSE(WriteUniText(path(), QStringLiteral("A"), true, f, Detect));
    EXPECT_TRUE(TestUtil::readFile(path()).isEmpty());
}

TEST_F(UniTxtFiles, RefusedCallsTouchNothing)
{
    TextFormat f = Detect;
    EXPECT_FALSE(WriteUniText(path(), QStringLiteral("A"), false, f, Utf8));
    EXPECT_FALSE(QFile::exists(path()));
    f = TextFormat(6);
    EXPECT_FALSE(WriteUniText(path(), QStringLiteral("A"), true, f, Utf8));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(UniTxtFiles, FailedWritesReportFalse)
{
    ASSERT_TRUE(TestUtil::writeFile(path(QStringLiteral("plain")), QByteArray("keep")));
    TextFormat f = Utf16BE;
    EXPECT_FALSE(WriteUniText(path(QStringLiteral("plain/inside.txt")), QStringLiteral("A"), false,
                              f, Detect));
    EXPECT_EQ(TestUtil::readFile(path(QStringLiteral("plain"))), QByteArray("keep"));
    f = Utf16BE;
    EXPECT_FALSE(WriteUniText(dir.path(), QStringLiteral("A"), false, f, Detect));
    // The device opens but every write fails: that is not a success.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        f = Utf16BE;
        EXPECT_FALSE(
            WriteUniText(QStringLiteral("/dev/full"), QStringLiteral("A"), false, f, Detect));
        f = Ansi;
        EXPECT_FALSE(
            WriteUniText(QStringLiteral("/dev/full"), QStringLiteral("A"), true, f, Detect));
    }
}
