// The Unicode text boxes of the main window. At this interface lines end in CR LF.
#pragma once

#include <QPlainTextEdit>

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

    // Keeps a text for the box and puts it in only when the box is read or shown: a hidden
    // box given a whole reply page costs nothing until then.
    void setTextLater(const QString& text);
    // The kept text, or null when the box holds its text itself.
    const QString* textKeptForLater() const { return m_later ? &*m_later : nullptr; }
    void forgetTextKeptForLater() { m_later.reset(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Only plain text goes in, by paste or by drop.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    bool m_rightToLeft = false;
    bool m_hooked = true;
    std::optional<QString> m_later;
};

// Creates a box at (x, y) with the given size inside parent, with the parent's font.
TextBox* CreateTextBox(QWidget* parent, int x, int y, int width, int height);
QString GetBoxText(const TextBox* box);
void SetBoxText(TextBox* box, const QString& text);
// SetBoxText for a box that is seldom read: the text goes in when the box is read or shown.
void SetBoxTextLater(TextBox* box, const QString& text);
// Copies the whole text to the clipboard unless it is blank (spaces only); sets bSelfCopy.
void CopyBoxText(TextBox* box, AppState& state);
// Inserts the clipboard text at the caret, replacing the selection.
void PasteIntoBox(TextBox* box);
void UnhookBox(TextBox* box);

// CR LF, lone CR and LF all become the box's line break, and back to CR LF.
QString ToBoxLines(const QString& text);
QString FromBoxLines(const QString& text);
