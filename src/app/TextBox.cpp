#include "TextBox.h"

#include "AppState.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A longer text goes in a piece at a time: a document takes about 2.5 µs per line, and a large
// reply has hundreds of thousands of lines. A piece ends after a line break.
constexpr qsizetype kPiece = 64 * 1024;
// How long the window is given over to filling before it answers again.
constexpr int kFillSliceMs = 20;

// Where a piece of `text` from `from` ends: after the last line break before from + kPiece,
// else after the first one past it (a long line goes in whole), else at the end. A CR LF
// stays in one piece. A long line with cuts (see unbreakableCuts) ends a piece at a cut.
qsizetype pieceEnd(const QString& text, qsizetype from, const QList<qsizetype>& cuts)
{
    if (text.size() - from <= kPiece)
        return text.size();
    const auto breakAt = [&](qsizetype at) {
        return at + (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1);
    };
    const auto isBreak = [&](qsizetype at) { return text[at] == u'\n' || text[at] == u'\r'; };
    const qsizetype window = from + kPiece;
    for (qsizetype at = window - 1; at >= from; --at)
        if (isBreak(at))
            return breakAt(at);
    const auto firstAfter = std::upper_bound(cuts.begin(), cuts.end(), from);
    const auto pastWindow = std::upper_bound(firstAfter, cuts.end(), window);
    if (pastWindow != firstAfter)
        return *(pastWindow - 1);
    const qsizetype next = firstAfter != cuts.end() ? *firstAfter : text.size();
    for (qsizetype at = window; at < next; ++at)
        if (isBreak(at))
            return breakAt(at);
    return next;
}

// A run of characters that offers the layout no place to wrap longer than this is laid out in
// blocks of this length: word wrapping searches a whole block for a break again for every line,
// so one long run takes time growing with the square of its length, and shaping a block holds
// it whole. Longer blocks cost more time each; shorter ones more memory beside the text.
constexpr qsizetype kLongestRun = 4096;

bool offersBreak(QChar c)
{
    // Spaces, and the scripts that wrap between any two characters.
    return c.isSpace() || c.unicode() >= 0x2e80;
}

// The positions before which a run without breaks is cut into blocks of its own; none for an
// ordinary text. A surrogate pair stays whole.
QList<qsizetype> unbreakableCuts(const QString& text)
{
    QList<qsizetype> cuts;
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (offersBreak(text[i])) {
            run = 0;
        } else if (++run > kLongestRun && !text[i].isLowSurrogate()) {
            cuts.append(i);
            run = 1;
        }
    }
    return cuts;
}

// Whether a text comes back from the box exactly as given: its line breaks are all CR LF and
// it holds none of the document's own separators. A large reply's results do, and are then
// read back without a copy.
bool readsBackAsGiven(const QString& text)
{
    const QChar* s = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\r'   ? i + 1 == n || s[i + 1] != u'\n'
            : c == u'\n' ? i == 0 || s[i - 1] != u'\r'
                         : c == QChar::ParagraphSeparator || c == 0xfdd0 || c == 0xfdd1)
            return false;
    }
    return true;
}

// What a box given `text` gives back: its line breaks, as CR LF.
QString readBack(const QString& text)
{
    return readsBackAsGiven(text) ? text : FromBoxLines(ToBoxLines(text));
}

// A large reply passed through on its way into a box: the memory it freed goes back.
void giveMemoryBack()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

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
    finishFilling();
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
    if (const std::optional<QString> later = box->textKeptForLater())
        return readBack(*later);
    if (const QString* filling = box->textBeingFilled())
        return readBack(*filling);
    return FromBoxLines(box->rawText());
}

void SetBoxText(TextBox* box, const QString& text)
{
    if (box)
        box->fill(text);
}

void SetBoxTextLater(TextBox* box, const QString& text)
{
    if (box)
        box->setTextLater(text);
}

void SetBoxTextLater(TextBox* box, const QByteArray& utf8)
{
    if (box)
        box->setTextLater(utf8);
}

void TextBox::fill(const QString& text)
{
    forgetTextKeptForLater();
    if (m_filling) {
        m_fillTimer.stop();
        m_filling.reset();
        document()->setUndoRedoEnabled(m_undoWhenFilled);
    }
    m_cuts = unbreakableCuts(text);
    m_nextCut = 0;
    m_hasContinuations = !m_cuts.isEmpty();
    const qsizetype first = pieceEnd(text, 0, m_cuts);
    if (m_cuts.isEmpty())
        setPlainText(first == text.size() ? text : text.left(first));
    else
        setPlainText(QString());
    m_undoWhenFilled = document()->isUndoRedoEnabled();
    if (!m_cuts.isEmpty()) {
        // The text as given, not edits to undo.
        document()->setUndoRedoEnabled(false);
        QTextCursor end(document());
        insertPiece(end, text, 0, first);
        document()->setUndoRedoEnabled(m_undoWhenFilled);
    }
    if (first == text.size()) {
        m_cuts.clear();
        return;
    }
    m_filling = text;
    m_filled = first;
    // The rest is the text as given, not edits to undo.
    document()->setUndoRedoEnabled(false);
    m_fillTimer.start(0, this);
}

qsizetype TextBox::nextCut() const
{
    return m_nextCut < m_cuts.size() ? m_cuts[m_nextCut] : std::numeric_limits<qsizetype>::max();
}

void TextBox::insertPiece(QTextCursor& end, const QString& text, qsizetype from, qsizetype to)
{
    end.movePosition(QTextCursor::End);
    while (from < to) {
        if (nextCut() == from) {
            // A block that goes on the line before it, not a line of its own.
            end.insertBlock();
            end.block().setUserState(kContinuation);
            ++m_nextCut;
        }
        const qsizetype stop = std::min(to, nextCut());
        end.insertText(text.sliced(from, stop - from));
        from = stop;
    }
}

QString TextBox::rawText() const
{
    if (!m_hasContinuations)
        return document()->toRawText();
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin() && block.userState() != kContinuation)
            text += QChar::ParagraphSeparator;
        text += block.text();
    }
    return text;
}

QMimeData* TextBox::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    if (!m_hasContinuations || !selection.hasSelection())
        return QPlainTextEdit::createMimeDataFromSelection();
    // The cuts of a long run are the box's own: the copy goes without them.
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    QString text;
    for (QTextBlock block = document()->findBlock(start);
         block.isValid() && block.position() <= end; block = block.next()) {
        const int from = std::max(0, start - block.position());
        const int to = std::min(int(block.text().size()), end - block.position());
        if (block.position() > start && block.userState() != kContinuation)
            text += u'\n';
        text += block.text().mid(from, to - from);
    }
    auto* data = new QMimeData;
    data->setText(text);
    return data;
}

void TextBox::fillFor(int milliseconds)
{
    if (!m_filling)
        return;
    QElapsedTimer clock;
    clock.start();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const QString& text = *m_filling;
    do {
        const qsizetype to = pieceEnd(text, m_filled, m_cuts);
        if (m_cuts.isEmpty())
            end.insertText(text.sliced(m_filled, to - m_filled));
        else
            insertPiece(end, text, m_filled, to);
        m_filled = to;
    } while (m_filled < text.size() && (milliseconds < 0 || clock.elapsed() < milliseconds));
    if (m_filled < text.size())
        return;
    m_fillTimer.stop();
    m_filling.reset();
    m_cuts.clear();
    document()->setUndoRedoEnabled(m_undoWhenFilled);
    document()->setModified(false);
    giveMemoryBack();
}

void TextBox::finishFilling()
{
    fillFor(-1);
}

void TextBox::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_fillTimer.timerId()) {
        fillFor(kFillSliceMs);
    } else if (event->timerId() == m_packTimer.timerId()) {
        QElapsedTimer clock;
        clock.start();
        bool more = m_laterUtf8 && m_laterUtf8->packMore();
        while (more && clock.elapsed() < kFillSliceMs)
            more = m_laterUtf8->packMore();
        if (!more) {
            m_packTimer.stop();
            giveMemoryBack();
        }
    } else {
        QPlainTextEdit::timerEvent(event);
    }
}

bool TextBox::event(QEvent* event)
{
    // What can change the text, or act on all of it, first waits for all of it.
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
        finishFilling();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(event);
}

bool TextBox::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ContextMenu)
        finishFilling();
    return QPlainTextEdit::viewportEvent(event);
}

void TextBox::setTextLater(const QString& text)
{
    if (isVisible()) {
        fill(text);
        return;
    }
    fill(QString());
    m_later = text;
}

void TextBox::setTextLater(const QByteArray& utf8)
{
    if (isVisible()) {
        fill(QString::fromUtf8(utf8));
        return;
    }
    fill(QString());
    m_laterUtf8.emplace(utf8);
    m_packTimer.start(0, this);
}

std::optional<QString> TextBox::textKeptForLater() const
{
    if (m_laterUtf8)
        return QString::fromUtf8(m_laterUtf8->bytes());
    return m_later;
}

void TextBox::forgetTextKeptForLater()
{
    m_later.reset();
    m_laterUtf8.reset();
    m_packTimer.stop();
}

void TextBox::showEvent(QShowEvent* event)
{
    if (std::optional<QString> later = textKeptForLater()) {
        forgetTextKeptForLater();
        // Shown means shown whole.
        fill(*later);
        finishFilling();
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
    box->finishFilling();
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
            box->finishFilling();
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
