#include "TextBox.h"
#include "AppState.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>
#include <gtest/gtest.h>

TEST(TextBox, TextComesBackUnchangedWithCrLfLines)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 200, 100);
    EXPECT_EQ(GetBoxText(box), u"");
    const QString mixed = QStringLiteral("中文 العربية Кириллица\u00a0x\r\nsecond\r\n\r\n");
    SetBoxText(box, mixed);
    EXPECT_EQ(GetBoxText(box), mixed);
    SetBoxText(box, QStringLiteral("a\nb\rc"));
    EXPECT_EQ(GetBoxText(box), u"a\r\nb\r\nc");
    // A line separator the text carries is a character of the text, not a line break.
    SetBoxText(box, QStringLiteral("a\u2028b\r\nc"));
    EXPECT_EQ(GetBoxText(box), u"a\u2028b\r\nc");
}

TEST(TextBox, LongLinesWrapWithoutHorizontalScrolling)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 200, 100);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(TextBox, EitherMouseButtonFocusesTheBox)
{
    QWidget parent;
    TextBox* first = CreateTextBox(&parent, 0, 0, 100, 50);
    TextBox* second = CreateTextBox(&parent, 0, 60, 100, 50);
    parent.show();
    QApplication::setActiveWindow(&parent);
    first->setFocus();
    QTest::mousePress(second->viewport(), Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(second->hasFocus());
    QTest::mouseRelease(second->viewport(), Qt::RightButton, {}, QPoint(10, 10));
}

TEST(TextBox, CopyTrimsOnlySpaces)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 100, 50);
    AppState state;
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    SetBoxText(box, QStringLiteral("\t"));
    CopyBoxText(box, state);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"\t");
    EXPECT_TRUE(state.bSelfCopy);

    // French spacing survives the copy; the whole text stays selected.
    SetBoxText(box, QStringLiteral("Quoi\u00a0?\u2028x\r\ny"));
    CopyBoxText(box, state);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Quoi\u00a0?\u2028x\ny");
    EXPECT_EQ(box->textCursor().selectedText().size(), 10);
}

namespace {

// A text of several fill pieces: no-break spaces, right-to-left words, a line separator, and
// every kind of line break.
QString longMixedText()
{
    QString text;
    for (int i = 0; i < 6000; ++i)
        text +=
            QStringLiteral("Quoi\u00a0? مرحبا بالعالم %1\u2028x").arg(i) + (i % 3 == 0   ? u"\r\n"
                                                                            : i % 3 == 1 ? u"\n"
                                                                                         : u"\r");
    return text;
}

} // namespace

TEST(TextBox, LongTextGoesInPieceByPieceAndReadsWholeThroughout)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 200, 100);
    box->setRightToLeft(true);
    const QString text = longMixedText();
    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    expected.replace(u'\n', QStringLiteral("\r\n"));
    SetBoxText(box, text);
    ASSERT_NE(box->textBeingFilled(), nullptr);
    EXPECT_LT(box->document()->characterCount(), text.size());
    EXPECT_EQ(GetBoxText(box), expected);
    while (box->textBeingFilled())
        QCoreApplication::processEvents();
    EXPECT_EQ(box->document()->blockCount(), 6001);
    EXPECT_EQ(GetBoxText(box), expected);
    EXPECT_EQ(box->document()->defaultTextOption().textDirection(), Qt::RightToLeft);
    EXPECT_FALSE(box->document()->isUndoAvailable());
}

TEST(TextBox, TypingWhileATextGoesInPutsTheRestInFirst)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 200, 100);
    parent.show();
    QApplication::setActiveWindow(&parent);
    box->setFocus();
    SetBoxText(box, longMixedText());
    const QString before = GetBoxText(box);
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Z);
    EXPECT_EQ(box->textBeingFilled(), nullptr);
    EXPECT_EQ(GetBoxText(box), before + u'z');
    // Only the typing is undone.
    box->undo();
    EXPECT_EQ(GetBoxText(box), before);
}

// One line without a place to wrap is laid out in blocks of its own, so that its layout does
// not grow with the square of its length; the text, a copy of part of it, and the text read
// back while it is still going in stay exactly what was given.
TEST(TextBox, AnUnbreakableLineIsLaidOutInBlocksButReadsBackWhole)
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 0, 0, 200, 100);
    parent.show();
    const QString run = QString(5000, u'x') + QStringLiteral("😀") + QString(300000, u'y');
    const QString text = QStringLiteral("first line\r\n") + run + QStringLiteral("\r\n") +
                         run.left(70000) + QStringLiteral(" end");
    SetBoxText(box, text);
    EXPECT_EQ(GetBoxText(box), text);
    box->finishFilling();
    EXPECT_GT(box->document()->blockCount(), 80);
    EXPECT_EQ(GetBoxText(box), text);

    // A selection across a cut copies without a line break; one across a line break keeps it.
    // The cut inside the run takes a position of the document: 1 more than the run's 4500.
    QTextCursor across(box->document());
    across.setPosition(5);
    across.setPosition(11 + 4500 + 1, QTextCursor::KeepAnchor);
    box->setTextCursor(across);
    box->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral(" line\n") + QString(4500, u'x'));

    SetBoxText(box, QStringLiteral("short"));
    EXPECT_EQ(box->document()->blockCount(), 1);
    EXPECT_EQ(GetBoxText(box), u"short");
}
