#include "TextBox.h"
#include "AppState.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
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
