// Verbalto's main window: the text boxes, the language lists, the commands, the menus and the
// closing rules. The translation itself is plain logic in src/translate; this only routes.
#pragma once

#include "AppState.h"
#include "FileSave.h"
#include "FontRecord.h"
#include "TranslationHistory.h"
#include "TranslationService.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class ClipMonitor;
class Form2;
class GlobalShortcut;
class PortalShortcut;
class HtmlView;
struct OptionsRecord;
class Promotions;
class SettingsStore;
class SysTray;
class UpdateCheck;
class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class SpeechButton;
class TextBox;

class FormMian final : public QMainWindow
{
    Q_OBJECT
  public:
    explicit FormMian(AppState& state, QWidget* parent = nullptr);
    ~FormMian() override;

    // The text with number n in the current interface language ("" when missing).
    QString Text(int n) const;
    QString LanguageIndex() const { return m_languageIndex; }

    void loadSetup();
    // What the Options dialog's OK applies at once (the clipboard monitor waits for a restart).
    void ApplyOptions(const OptionsRecord& options);
    // Stores the text font of the boxes.
    void SetToRegFont();
    void ApplyLanguage();
    void ApplyResultLayout();
    // online: whether the computer has a network (a service on this computer needs none).
    void TranslatePage(bool online = true);
    // Writes or deletes the speech page of index 0 (translation) or 1 (source) and shows or
    // hides its button; true when a page now stands there.
    bool BuildSpeechPage(const QString& text, const QString& languageCode, int index);
    void StoreTranslation();
    // Brings the window back from the notification area in the normal state.
    void RestoreFromTray();
    // A command from outside: the window comes up and the text (handed over, the selection
    // else the clipboard, or the clipboard) is translated as a clipboard change would be.
    enum class TextSource { Given, Selection, Clipboard };
    void TranslateFromOutside(TextSource source, const QString& text = {});
    void ReadOutsideText(TextSource source, const QString& text);
    // Grabs the stored "Translate selection" key (the default one when none is stored) under
    // X11, or asks the desktop portal for it under Wayland; a key another program holds is told
    // once. Whether the key is active now (or may still become so through the portal).
    bool ApplyShortcut();
    void ShowShortcutState(Form2& dialog) const;
    // The "mini" start: everything is set up, but the window is never mapped.
    void StartHidden();

    // Test seams: the transfer time-out of a translation and the connection check.
    void setRequestTimeout(int ms) { m_requestTimeoutMs = ms; }
    void setOnlineCheck(std::function<bool()> check) { m_isOnline = std::move(check); }
    bool translating() const { return m_translating; }

    QString SourceLanguageCode;
    QString TargetLanguageCode;
    QString HostLanguageCode;
    // The path chosen in the last Open dialog; empty when it was cancelled.
    QString SourceFile;

    // Controls, named as everywhere else in Verbalto.
    QWidget* Pic1 = nullptr;
    HtmlView* WebBrowser3 = nullptr;
    std::array<SpeechButton*, 2> WebBrowser2{};
    TextBox* SourceBox = nullptr;
    TextBox* TranslationBox = nullptr;
    TextBox* RomanizationBox = nullptr;
    TextBox* DictionaryBox = nullptr;
    // The raw reply, never shown; made at the first reply (see replyBox()).
    TextBox* ReplyBox = nullptr;
    TextBox* replyBox();
    // One line inside the translation box's bottom edge: which service answered and why, or
    // why nothing came. Gone at the next translation.
    QLabel* TranslationNote = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QToolButton* Command1 = nullptr;
    QToolButton* Command2 = nullptr;
    QToolButton* Command3 = nullptr;
    QToolButton* Command5 = nullptr;
    QToolButton* Command6 = nullptr;
    QToolButton* Command7 = nullptr;
    QMenu* menuF = nullptr;
    QMenu* menuS = nullptr;
    QMenu* menuS2 = nullptr;
    QMenu* menuH = nullptr;
    QMenu* menuSYS = nullptr;
    QAction *menuF0 = nullptr, *menuF1 = nullptr, *menuF2 = nullptr, *menuF3 = nullptr;
    QAction *menuS0 = nullptr, *menuS1 = nullptr, *menuS3 = nullptr;
    QAction *menuS201 = nullptr, *menuS202 = nullptr, *menuS203 = nullptr;
    QAction *menuH1 = nullptr, *menuH2 = nullptr, *menuH3 = nullptr, *menuH4 = nullptr;
    QAction *menuSYS1 = nullptr, *menuSYS2 = nullptr, *menuSYS3 = nullptr;
    // Settings > Translation service: one item per service, then "Service settings...".
    QMenu* menuS4 = nullptr;
    QList<QAction*> menuS4Services;
    QAction* menuS4Settings = nullptr;

    const TranslationHistory& history() const { return m_history; }
    SettingsStore& store() { return *m_store; }
    ClipMonitor* clipMonitor() const { return m_clipMonitor; }
    SysTray* tray() const { return m_tray; }
    Promotions* promotions() const { return m_promotions; }
    bool speechFlag(int index) const { return m_speech[std::size_t(index)]; }
    const ServiceSettings& service() const { return m_service; }
    // Takes a service at once and marks it in the menu.
    void useService(const ServiceSettings& service);

  public slots:
    void Command1_Click(); // Translate
    void Command2_Click(); // Copy
    void Command3_Click(); // Clear
    void Command5_Click(); // Paste
    void Command6_Click(); // Back
    void Command7_Click(); // Swap
    void Combo1_Click();
    void Combo2_Click();
    void menuF1_Click(); // Open a text file and translate it
    void menuF2_Click(); // Save the original and the results
    void menuF3_Click(); // Exit
    void menuS0_Click(); // auto-run at logon
    void menuS1_Click(); // Options
    void menuS3_Click(); // Font
    void menuH3_Click(); // About
    void menuH1_Click();
    void menuH4_Click();
    void menuS201_Click();
    void menuS202_Click();
    void menuS203_Click();
    void menuS4_Click(const QString& serviceName); // choose a translation service
    void menuS4Settings_Click();                   // Service settings...

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Form_Load();
    void Form_Unload();
    void createControls();
    void createMenus();
    void switchLanguage(int k);
    void afterFirstShow();
    // Selects index i; the selection handler runs even when i is already selected.
    void setListIndex(QComboBox* combo, int i);
    // Sets a check box; the layout handler runs even when the value does not change.
    void setCheck(QCheckBox* box, bool on);

    QList<QWidget*> textBoxes() const;
    // A failure of a service that tells its failures: a box for the user's own request, a
    // balloon for one the clipboard started.
    void tellFailure(const QString& message);
    // A setting the user changed could not be stored; the message says why.
    void warnNotSaved(FileSave::SaveResult why = FileSave::SaveResult::Failed);
    void showNote(const QString& note);
    void placeNote();

    AppState& m_state;
    std::unique_ptr<SettingsStore> m_store;
    FontRecord m_font;
    ClipMonitor* m_clipMonitor = nullptr;
    SysTray* m_tray = nullptr;
    GlobalShortcut* m_shortcut = nullptr;
    PortalShortcut* m_portal = nullptr;
    bool m_toldShortcutTaken = false;
    UpdateCheck* m_update = nullptr;
    Promotions* m_promotions = nullptr;
    bool m_startHidden = false;
    QString m_languageIndex = QStringLiteral("2");
    TranslationHistory m_history;
    std::array<bool, 2> m_speech{};
    std::array<QString, 2> m_speechPath;
    int m_requestTimeoutMs = 30000;
    std::function<bool()> m_isOnline;
    bool m_translating = false;
    bool m_clipboardTranslation = false;
    bool m_toldUnrecognisedReply = false;
    ServiceSettings m_service;
    bool m_sessionEnding = false;
    bool m_centred = false;
    bool m_started = false;
    bool m_afterPaintQueued = false;
    QActionGroup* m_languageGroup = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* m_historyPacker = nullptr; // packs the history while the window is idle
};
