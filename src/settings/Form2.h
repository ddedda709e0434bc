// The "Default Options" dialog: edits the stored options and hands them to the main window.
#pragma once

#include "OptionsRecord.h"

#include <QDialog>
#include <QMessageBox>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class SettingsStore;

class Form2 final : public QDialog
{
    Q_OBJECT

  public:
    // Shows a message box; tests hand in one that records instead of blocking.
    using MessageBoxFn = std::function<void(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text)>;

    // Loads the stored options at once; show it with exec() for the modal behaviour.
    Form2(SettingsStore& store, const QString& languageIndex, QWidget* parent = nullptr);

    void setMessageBox(MessageBoxFn messageBox);

    // How the stored "Translate selection" key fares: taken by the desktop for us, held by
    // another program (X11), or there is no way to have one (Wayland without the portal).
    enum class ShortcutState { Active, Taken, Unavailable };

    void ApplyLanguage();
    // When the key is not active, the dialog says why and offers the command to bind instead.
    void SetShortcutState(ShortcutState state);

    // The command a desktop's keyboard settings run to translate the selection: plain
    // "verbalto" when that is this program, else its path, quoted for a shell where needed.
    static QString SelectionCommand(const QString& program);

  signals:
    // The options just stored, emitted before the confirmation message. The receiver applies
    // the languages, check boxes, host language and caching; the clipboard monitor waits for
    // the next start.
    void optionsSaved(const OptionsRecord& record);
    // Just before the command is copied: the clipboard monitor leaves that copy alone.
    void copyingCommand();

  public slots:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();

  private:
    QString text(int n) const;
    void fitCheckBoxes();
    static void showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                               const QString& text);

    SettingsStore& m_store;
    QString m_languageIndex;
    MessageBoxFn m_messageBox;
    // The caching box cannot be changed, so OK writes back exactly what was loaded.
    int m_loadedCaching = 1;

    QFrame* Shape1;
    QGroupBox* Frame1;
    QComboBox* Combo1;
    QLabel* Label1;
    QComboBox* Combo2;
    QLabel* Label2;
    QComboBox* Combo3;
    QCheckBox* Check3;
    QCheckBox* Check4;
    QCheckBox* Check1;
    QCheckBox* Check2;
    QPushButton* Command1;
    QPushButton* Command2;
    // The session-wide "Translate selection" key: empty for none.
    QLabel* LabelKey;
    QKeySequenceEdit* KeyEdit;
    QLabel* KeyNote;
    QLabel* LabelCommand;
    QLineEdit* CommandText;
    QPushButton* CopyCommand;
    ShortcutState m_shortcutState = ShortcutState::Active;
};
