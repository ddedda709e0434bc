#include "TextBox.h"

#include "AppState.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTextDocument>
#include <QTextOption>

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(false);
    setFrameShape(QFrame::StyledPanel);
}

void TextBox::setRightToLeft(bool rtl)
{
    m_rightToLeft = rtl;
    setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(rtl ? (Qt::AlignRight | Qt::AlignAbsolute)
                            : (Qt::AlignLeft | Qt::AlignAbsolute));
    document()->setDefaultTextOption(option);
}

void TextBox::mousePressEvent(QMouseEvent* event)
{
    // Either button focuses the box, also when the focus was elsewhere in the window.
    if (m_hooked && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton))
        setFocus(Qt::MouseFocusReason);
    QPlainTextEdit::mousePressEvent(event);
}

bool TextBox::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void TextBox::insertFromMimeData(const QMimeData* source)
{
    if (!source || isReadOnly())
        return;
    // The clipboard's data is the platform's and is replaced when another program takes the
    // clipboard, which can happen while it is being read: a paste asks the clipboard for its
    // text afresh instead of going through that object's formats one by one.
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString text;
    if (source == clipboard->mimeData(QClipboard::Clipboard))
        text = clipboard->text(QClipboard::Clipboard);
    else if (clipboard->supportsSelection() && source == clipboard->mimeData(QClipboard::Selection))
        text = clipboard->text(QClipboard::Selection);
    else
        text = source->text();
    if (!text.isEmpty())
        insertPlainText(text);
}

TextBox* CreateTextBox(QWidget* parent, int x, int y, int width, int height)
{
    auto* box = new TextBox(parent);
    box->setFont(parent->font());
    box->setGeometry(x, y, width, height);
    box->show();
    return box;
}

QString ToBoxLines(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString FromBoxLines(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        // The document's block separators are the box's line breaks; everything else (no-break
        // spaces, a U+2028 the text carried) comes back exactly as it was typed.
        const char16_t u = c.unicode();
        if (u == QChar::ParagraphSeparator || u == 0xfdd0 || u == 0xfdd1)
            c = QLatin1Char('\n');
    }
    out.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return out;
}

QString GetBoxText(const TextBox* box)
{
    if (!box)
        return {};
    // What the box would give back once filled: its line breaks, as CR LF.
    if (const QString* later = box->textKeptForLater())
        return FromBoxLines(ToBoxLines(*later));
    return FromBoxLines(box->document()->toRawText());
}

void SetBoxText(TextBox* box, const QString& text)
{
    if (box) {
        box->forgetTextKeptForLater();
        box->setPlainText(ToBoxLines(text));
    }
}

void SetBoxTextLater(TextBox* box, const QString& text)
{
    if (box)
        box->setTextLater(text);
}

void TextBox::setTextLater(const QString& text)
{
    if (isVisible()) {
        m_later.reset();
        setPlainText(ToBoxLines(text));
        return;
    }
    m_later = text;
    if (!document()->isEmpty())
        clear();
}

void TextBox::showEvent(QShowEvent* event)
{
    if (m_later) {
        const QString text = std::move(*m_later);
        m_later.reset();
        setPlainText(ToBoxLines(text));
    }
    QPlainTextEdit::showEvent(event);
}

void CopyBoxText(TextBox* box, AppState& state)
{
    if (!box)
        return;
    const QString text = GetBoxText(box);
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == QLatin1Char(' '))
        ++first;
    if (first == text.size())
        return;
    // One clipboard change follows (ours); the monitor lets exactly that one pass.
    state.bSelfCopy = true;
    box->selectAll();
    // The text itself, not the selection's plain-text export, which turns no-break spaces into
    // spaces; lines end in the platform's line feed.
    QString copied = text;
    copied.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QGuiApplication::clipboard()->setText(copied);
}

void PasteIntoBox(TextBox* box)
{
    if (box && !box->isReadOnly()) {
        const QString text = QGuiApplication::clipboard()->text();
        if (!text.isEmpty()) {
            box->insertPlainText(text);
            box->ensureCursorVisible();
        }
    }
}

void UnhookBox(TextBox* box)
{
    if (box)
        box->unhook();
}
