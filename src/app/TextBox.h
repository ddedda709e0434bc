// The Unicode text boxes of the main window. At this interface lines end in CR LF.
#pragma once

#include "PackedBytes.h"

#include <QBasicTimer>
#include <QList>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <optional>

struct AppState;

class TextBox final : public QPlainTextEdit
{
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent);

    // The right-to-left reading layout with the scroll bar on the left.
    void setRightToLeft(bool rtl);
    bool isRightToLeft() const { return m_rightToLeft; }

    // False after UnhookBox: clicks no longer move the focus by themselves.
    bool hooked() const { return m_hooked; }
    void unhook() { m_hooked = false; }

    // Puts a text in; CR LF, a lone CR and a lone LF each end a line of the document. A long
    // text goes in a piece at a time as the event loop runs, so the window keeps answering;
    // until it is all in, the box reads as holding all of it, and typing, a paste or the
    // context menu first put the rest in.
    void fill(const QString& text);
    // The text still going in, as given, or null when it is all in.
    const QString* textBeingFilled() const { return m_filling ? &*m_filling : nullptr; }
    void finishFilling();
    // The document's text, blocks joined by U+2029 where the text has a line break.
    QString rawText() const;

    // Keeps a text for the box and puts it in only when the box is read or shown: a hidden
    // box given a whole reply page costs nothing until then.
    void setTextLater(const QString& text);
    // The same for the UTF-8 bytes of a text, kept undecoded (and packed, as the event loop
    // runs) until then.
    void setTextLater(const QByteArray& utf8);
    // The kept text as it was given, or nothing when the box holds its text itself.
    std::optional<QString> textKeptForLater() const;
    void forgetTextKeptForLater();

  protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    // Only plain text goes in, by paste or by drop.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    // A block's user state when it goes on the line before it: a long run cut for the layout.
    static constexpr int kContinuation = 0x5645;

    // Puts pieces of the text being filled in for about that long; all of it when negative.
    void fillFor(int milliseconds);
    void insertPiece(QTextCursor& end, const QString& text, qsizetype from, qsizetype to);
    qsizetype nextCut() const;

    bool m_rightToLeft = false;
    bool m_hooked = true;
    std::optional<QString> m_later;
    std::optional<PackedBytes> m_laterUtf8;
    QBasicTimer m_packTimer;
    std::optional<QString> m_filling;
    qsizetype m_filled = 0; // characters of m_filling in the document
    bool m_undoWhenFilled = true;
    QBasicTimer m_fillTimer;
    QList<qsizetype> m_cuts; // where the text being filled is cut for the layout
    qsizetype m_nextCut = 0;
    bool m_hasContinuations = false; // the document holds such cuts
};

// Creates a box at (x, y) with the given size inside parent, with the parent's font.
TextBox* CreateTextBox(QWidget* parent, int x, int y, int width, int height);
QString GetBoxText(const TextBox* box);
void SetBoxText(TextBox* box, const QString& text);
// SetBoxText for a box that is seldom read: the text goes in when the box is read or shown.
void SetBoxTextLater(TextBox* box, const QString& text);
void SetBoxTextLater(TextBox* box, const QByteArray& utf8);
// Copies the whole text to the clipboard unless it is blank (spaces only); sets bSelfCopy.
void CopyBoxText(TextBox* box, AppState& state);
// Inserts the clipboard text at the caret, replacing the selection.
void PasteIntoBox(TextBox* box);
void UnhookBox(TextBox* box);

// CR LF, lone CR and LF all become the box's line break, and back to CR LF.
QString ToBoxLines(const QString& text);
QString FromBoxLines(const QString& text);
