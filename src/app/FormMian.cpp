#include "FormMian.h"

#include "BlockingCommand.h"
#include "ClipMonitor.h"
#include "FileCommands.h"
#include "Form2.h"
#include "FormAbout.h"
#include "GetRemoteText.h"
#include "GetSysPath.h"
#include "GlobalShortcut.h"
#include "HtmlView.h"
#include "IcoMod.h"
#include "LanguageCatalogue.h"
#include "ModAutoRun.h"
#include "ModFont.h"
#include "ModLng.h"
#include "ModMenu.h"
#include "ModNetOnline.h"
#include "ModmonClip.h"
#include "OptionsRecord.h"
#include "PortalShortcut.h"
#include "Promotions.h"
#include "ResultsFile.h"
#include "ServiceConfig.h"
#include "ServiceDialog.h"
#include "ServiceFallback.h"
#include "SettingsStore.h"
#include "SpeechButton.h"
#include "SpeechPage.h"
#include "StringTable.h"
#include "SysTray.h"
#include "TextBox.h"
#include "TranslationService.h"
#include "UiFont.h"
#include "UpdateCheck.h"
#include "mdXpThemeSupport.h"

#include <cstdio>

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr int kClientWidth = 624;
constexpr int kClientHeight = 490;
constexpr int kBannerHeight = 61;

// The note inside the translation box: a pale strip with a line along its top, drawn here. A
// style sheet would bring Qt's whole style-sheet machinery into memory for one hidden label.
class NoteLabel final : public QLabel
{
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            QPainter p(this);
            p.fillRect(rect(), QColor(0xff, 0xf6, 0xd5));
            p.setPen(QColor(0xe0, 0xc8, 0x70));
            p.drawLine(0, 0, width() - 1, 0);
        }
        QLabel::paintEvent(event);
    }
};

QToolButton* makeButton(QWidget* parent, const char* name, QRect geometry)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIcon(mdXpThemeSupport::ButtonPicture(button->objectName()));
    button->setIconSize(QSize(16, 16));
    button->setGeometry(geometry);
    return button;
}

} // namespace

FormMian::FormMian(AppState& state, QWidget* parent) : QMainWindow(parent), m_state(state)
{
    setObjectName(QStringLiteral("FormMian"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_isOnline = [] { return ModNetOnline::IsOnline(); };
    m_store = std::make_unique<SettingsStore>();
    Form_Load();
}

FormMian::~FormMian() = default;

QString FormMian::Text(int n) const
{
    return StringTable::LoadResString(StringTable::TextId(m_languageIndex, n)).value_or(QString());
}

void FormMian::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    // The whole window, menu bar included, keeps its size: the window manager may not resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Pic1 = new QWidget(client);
    Pic1->setObjectName(QStringLiteral("Pic1"));
    Pic1->setFocusPolicy(Qt::ClickFocus);
    Pic1->setGeometry(0, kBannerHeight, kClientWidth, kClientHeight - kBannerHeight);
    // A compact CJK-capable face: the captions must fit the fixed control sizes in every
    // interface language. The text boxes take the user's font later.
    QFont controls(UiFont::Family());
    controls.setPointSize(8);
    Pic1->setFont(controls);

    SourceBox = CreateTextBox(Pic1, 2, 0, 620, 135);
    SourceBox->setObjectName(QStringLiteral("SourceBox"));
    TranslationBox = CreateTextBox(Pic1, 2, 188, 620, 135);
    TranslationBox->setObjectName(QStringLiteral("TranslationBox"));
    RomanizationBox = CreateTextBox(Pic1, 2, 325, 370, 102);
    RomanizationBox->setObjectName(QStringLiteral("RomanizationBox"));
    DictionaryBox = CreateTextBox(Pic1, 375, 325, 247, 102);
    DictionaryBox->setObjectName(QStringLiteral("DictionaryBox"));
    TranslationNote = new NoteLabel(TranslationBox->viewport());
    TranslationNote->setObjectName(QStringLiteral("TranslationNote"));
    QPalette noteColours = TranslationNote->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text})
        noteColours.setColor(role, QColor(0x4d, 0x3d, 0x00));
    TranslationNote->setPalette(noteColours);
    TranslationNote->setContentsMargins(4, 2, 4, 1); // the line along its top, then 1 by 4
    TranslationNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TranslationNote->hide();
    TranslationBox->viewport()->installEventFilter(this);

    Label2 = new QLabel(Pic1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(4, 142, 26, 14);
    Combo2 = new QComboBox(Pic1);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setGeometry(30, 138, 135, 22);
    Label1 = new QLabel(Pic1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(4, 168, 26, 14);
    Combo1 = new QComboBox(Pic1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(30, 162, 135, 22);
    for (QComboBox* combo : {Combo1, Combo2}) {
        combo->setMaxVisibleItems(20);
        combo->setEditable(false);
    }

    Check1 = new QCheckBox(Pic1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(168, 144, 127, 17);
    Check2 = new QCheckBox(Pic1);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setGeometry(168, 164, 127, 17);
    Check1->setChecked(true);
    Check2->setChecked(true);

    Command1 = makeButton(Pic1, "Command1", QRect(292, 140, 65, 43));
    Command7 = makeButton(Pic1, "Command7", QRect(362, 140, 41, 43));
    Command6 = makeButton(Pic1, "Command6", QRect(408, 140, 41, 43));
    Command2 = makeButton(Pic1, "Command2", QRect(454, 140, 41, 43));
    Command5 = makeButton(Pic1, "Command5", QRect(500, 140, 41, 43));
    Command3 = makeButton(Pic1, "Command3", QRect(546, 140, 41, 43));

    WebBrowser2[1] = new SpeechButton(Pic1);
    WebBrowser2[1]->setObjectName(QStringLiteral("WebBrowser2_1"));
    WebBrowser2[1]->setGeometry(595, 142, 18, 18);
    WebBrowser2[0] = new SpeechButton(Pic1);
    WebBrowser2[0]->setObjectName(QStringLiteral("WebBrowser2_0"));
    WebBrowser2[0]->setGeometry(595, 163, 18, 18);
    WebBrowser2[0]->hide();
    WebBrowser2[1]->hide();

    connect(Command1, &QToolButton::clicked, this, &FormMian::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &FormMian::Command2_Click);
    connect(Command3, &QToolButton::clicked, this, &FormMian::Command3_Click);
    connect(Command5, &QToolButton::clicked, this, &FormMian::Command5_Click);
    connect(Command6, &QToolButton::clicked, this, &FormMian::Command6_Click);
    connect(Command7, &QToolButton::clicked, this, &FormMian::Command7_Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &FormMian::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &FormMian::Combo2_Click);
    connect(Check1, &QCheckBox::toggled, this, &FormMian::ApplyResultLayout);
    connect(Check2, &QCheckBox::toggled, this, &FormMian::ApplyResultLayout);
}

TextBox* FormMian::replyBox()
{
    // Holds the raw reply; it lies below the visible area and is never shown, so a start does
    // without it.
    if (!ReplyBox) {
        ReplyBox = CreateTextBox(centralWidget(), 2, 521, 1000, 135);
        ReplyBox->setObjectName(QStringLiteral("ReplyBox"));
        ReplyBox->hide();
    }
    return ReplyBox;
}

void FormMian::createMenus()
{
    menuF = menuBar()->addMenu(QString());
    menuF->setObjectName(QStringLiteral("menuF"));
    menuF0 = menuF->addAction(QString(), this, &FormMian::Command1_Click);
    menuF0->setShortcut(QKeySequence(Qt::Key_F5));
    menuF->addSeparator();
    menuF1 = menuF->addAction(QString(), this, &FormMian::menuF1_Click);
    menuF2 = menuF->addAction(QString(), this, &FormMian::menuF2_Click);
    menuF->addSeparator();
    menuF3 = menuF->addAction(QString(), this, &FormMian::menuF3_Click);

    menuS = menuBar()->addMenu(QString());
    menuS->setObjectName(QStringLiteral("menuS"));
    menuS0 = menuS->addAction(QString(), this, &FormMian::menuS0_Click);
    menuS0->setCheckable(true);
    menuS->addSeparator();
    menuS1 = menuS->addAction(QString(), this, &FormMian::menuS1_Click);
    menuS3 = menuS->addAction(QString(), this, &FormMian::menuS3_Click);
    menuS->addSeparator();
    menuS2 = menuS->addMenu(QString());
    menuS2->setObjectName(QStringLiteral("menuS2"));
    m_languageGroup = new QActionGroup(this);
    menuS201 = menuS2->addAction(QString(), this, &FormMian::menuS201_Click);
    menuS202 = menuS2->addAction(QString(), this, &FormMian::menuS202_Click);
    menuS203 = menuS2->addAction(QString(), this, &FormMian::menuS203_Click);
    for (QAction* a : {menuS201, menuS202, menuS203}) {
        a->setCheckable(true);
        m_languageGroup->addAction(a);
    }
    menuS->addSeparator();
    menuS4 = menuS->addMenu(QString());
    menuS4->setObjectName(QStringLiteral("menuS4"));
    auto* services = new QActionGroup(this);
    for (const QString& name : TranslationServices::Names()) {
        QAction* item = menuS4->addAction(QString(), this, [this, name] { menuS4_Click(name); });
        item->setObjectName(QStringLiteral("menuS4_") + name);
        item->setCheckable(true);
        item->setData(name);
        services->addAction(item);
        menuS4Services.append(item);
    }
    menuS4->addSeparator();
    menuS4Settings = menuS4->addAction(QString(), this, &FormMian::menuS4Settings_Click);

    menuH = menuBar()->addMenu(QString());
    menuH->setObjectName(QStringLiteral("menuH"));
    menuH1 = menuH->addAction(QString(), this, &FormMian::menuH1_Click);
    menuH1->setShortcut(QKeySequence(Qt::Key_F1));
    menuH2 = menuH->addAction(QString(), this, &FormMian::menuH1_Click);
    menuH3 = menuH->addAction(QString(), this, &FormMian::menuH3_Click);
    menuH->addSeparator();
    menuH4 = menuH->addAction(QString(), this, &FormMian::menuH4_Click);

    // The notification-area menu; never part of the menu bar.
    menuSYS = new QMenu(this);
    menuSYS->setObjectName(QStringLiteral("menuSYS"));
    menuSYS1 = menuSYS->addAction(QString(), this, &FormMian::RestoreFromTray);
    menuSYS3 = menuSYS->addAction(QString(), this, &FormMian::menuS1_Click);
    menuSYS->addSeparator();
    menuSYS2 = menuSYS->addAction(QString(), this, &FormMian::menuF3_Click);
    menuSYS->setDefaultAction(menuSYS1);

    for (QAction* a : {menuF0, menuF1, menuF2, menuF3, menuS0, menuS1, menuS3, menuS201, menuS202,
                       menuS203, menuH1, menuH2, menuH3, menuH4, menuSYS1, menuSYS2, menuSYS3})
        a->setShortcutVisibleInContextMenu(true);
}

void FormMian::Form_Load()
{
    createControls();
    createMenus();
    IcoMod::SetWindowIcons(this, QStringLiteral("IDR_MAINFRAME"), true);

    m_clipMonitor =
        new ClipMonitor(QGuiApplication::clipboard(), m_state.bSelfCopy,
                        {[this] { SetBoxText(SourceBox, QString()); }, [this] { Command5_Click(); },
                         [this] {
                             m_clipboardTranslation = true;
                             Command1_Click();
                             m_clipboardTranslation = false;
                         },
                         [this] { return translating(); },
                         [this](const QString& text) {
                             // As a paste would put it.
                             SourceBox->finishFilling();
                             SourceBox->insertPlainText(text);
                         }},
                        this);

    m_languageIndex = ModLng::ReadLanguageIndex(*m_store);
    ApplyLanguage();
    menuS201->setChecked(m_languageIndex == u"1");
    menuS202->setChecked(m_languageIndex == u"2");
    menuS203->setChecked(m_languageIndex == u"3");
    menuS0->setChecked(ModAutoRun::IsAutoRunChecked());

    loadSetup();
    useService(m_store->ReadService());

    // Menu tags: which picture the menu renderer draws beside an item.
    const std::pair<QAction*, int> tags[] = {{menuF1, 1}, {menuF2, 2}, {menuF3, 3}, {menuS1, 4},
                                             {menuH1, 5}, {menuH2, 6}, {menuH3, 7}, {menuH4, 8},
                                             {menuF0, 9}, {menuS3, 10}};
    for (const auto& [action, tag] : tags)
        ModMenu::SetMenuTag(action, tag);
    ModMenu::BuildOwnerDrawMenus(this, menuBar(), {menuSYS});

    m_font = ModFont::ApplyStoredFont(*m_store, textBoxes());
}

QList<QWidget*> FormMian::textBoxes() const
{
    return {SourceBox, TranslationBox, RomanizationBox, DictionaryBox};
}

void FormMian::loadSetup()
{
    const OptionsRecord options = m_store->ReadOptionsRecord();
    ApplyOptions(options);
    if (options.monitorsClipboard())
        m_clipMonitor->StartClipMonitor();
}

void FormMian::ApplyOptions(const OptionsRecord& options)
{
    setListIndex(Combo2, options.sourceIndex);
    setListIndex(Combo1, options.targetIndex);
    setCheck(Check1, options.showRomanization());
    setCheck(Check2, options.showDictionary());
    HostLanguageCode = ModLng::HostLanguageCode(options);
    if (options.cachesTranslations())
        m_state.CacheTranslations = true;
}

void FormMian::ApplyLanguage()
{
    // Qt's own buttons and dialogs speak the interface language too.
    ModLng::LoadQtTranslations(m_languageIndex);
    for (SpeechButton* button : WebBrowser2)
        button->setInterfaceLanguage(m_languageIndex);
    auto set = [this](int n, const std::function<void(const QString&)>& assign) {
        if (auto text = StringTable::LoadResString(StringTable::TextId(m_languageIndex, n)))
            assign(*text);
    };
    auto title = [&](QMenu* m, int n) { set(n, [m](const QString& t) { m->setTitle(t); }); };
    auto caption = [&](QAction* a, int n) { set(n, [a](const QString& t) { a->setText(t); }); };
    title(menuF, 1);
    caption(menuF0, 2);
    caption(menuF1, 3);
    caption(menuF2, 4);
    caption(menuF3, 5);
    title(menuS, 6);
    caption(menuS0, 7);
    caption(menuS1, 8);
    title(menuS2, 9);
    caption(menuS3, 115);
    caption(menuS201, 10);
    caption(menuS202, 11);
    caption(menuS203, 114);
    title(menuS4, 200);
    for (QAction* item : menuS4Services)
        caption(item, TranslationServices::MenuText(item->data().toString()));
    caption(menuS4Settings, 201);
    title(menuH, 12);
    caption(menuH1, 13);
    caption(menuH2, 14);
    caption(menuH3, 15);
    caption(menuH4, 16);
    set(17, [this](const QString& t) { setWindowTitle(t); });
    caption(menuSYS1, 18);
    caption(menuSYS3, 8);
    caption(menuSYS2, 5);
    set(21, [this](const QString& t) { Label2->setText(t); });
    set(22, [this](const QString& t) { Label1->setText(t); });
    set(23, [this](const QString& t) { Check1->setText(t); });
    set(24, [this](const QString& t) { Check2->setText(t); });
    const std::array<std::tuple<QToolButton*, int, int>, 6> buttons = {{{Command1, 2, 25},
                                                                        {Command6, 110, 26},
                                                                        {Command2, 111, 27},
                                                                        {Command5, 112, 28},
                                                                        {Command3, 29, 29},
                                                                        {Command7, 113, 109}}};
    for (const auto& [button, tip, text] : buttons) {
        QToolButton* b = button;
        set(tip, [b](const QString& t) { b->setToolTip(t); });
        set(text, [b](const QString& t) { b->setText(t); });
    }

    {
        // Refilling runs no selection handler; the caller selects again.
        const QSignalBlocker block1(Combo1);
        const QSignalBlocker block2(Combo2);
        Combo1->clear();
        Combo2->clear();
        Combo2->addItem(Text(LanguageCatalogue::kDetectLanguageText));
        Combo2->addItem(QString::fromUtf16(LanguageCatalogue::kSeparator));
        for (int p = 0; p < LanguageCatalogue::kCount; ++p) {
            const QString name = Text(LanguageCatalogue::kFirstNameText + p);
            Combo1->addItem(name);
            Combo2->addItem(name);
        }
    }
    if (m_tray)
        m_tray->SetLanguageIndex(m_languageIndex);
    mdXpThemeSupport::FixThemeSupport(findChildren<QWidget*>(), false);
}

void FormMian::setListIndex(QComboBox* combo, int i)
{
    if (combo->currentIndex() == i) {
        if (combo == Combo1)
            Combo1_Click();
        else
            Combo2_Click();
        return;
    }
    combo->setCurrentIndex(i);
}

void FormMian::setCheck(QCheckBox* box, bool on)
{
    if (box->isChecked() == on)
        ApplyResultLayout();
    else
        box->setChecked(on); // the toggled handler lays out
}

void FormMian::Combo1_Click()
{
    const int i = Combo1->currentIndex();
    TargetLanguageCode = LanguageCatalogue::LanguageCode(i);
    if (LanguageCatalogue::IsRightToLeft(i)) {
        TranslationBox->setRightToLeft(true);
        RomanizationBox->setRightToLeft(true);
    } else {
        TranslationBox->setRightToLeft(DictionaryBox->isRightToLeft());
        RomanizationBox->setRightToLeft(DictionaryBox->isRightToLeft());
    }
}

void FormMian::Combo2_Click()
{
    const int j = Combo2->currentIndex();
    if (j == 0 || j == 1) {
        SourceLanguageCode.clear();
        SourceBox->setRightToLeft(DictionaryBox->isRightToLeft());
    } else {
        const int position = j - LanguageCatalogue::kSourceOffset;
        SourceLanguageCode = LanguageCatalogue::LanguageCode(position);
        SourceBox->setRightToLeft(LanguageCatalogue::IsRightToLeft(position) ||
                                  DictionaryBox->isRightToLeft());
    }
    if (j >= 2)
        Command7->setEnabled(true);
    else if (j == 0 || j == 1)
        Command7->setEnabled(false);
}

void FormMian::Command7_Click()
{
    const int t = Combo1->currentIndex();
    setListIndex(Combo1, Combo2->currentIndex() - LanguageCatalogue::kSourceOffset);
    setListIndex(Combo2, t + LanguageCatalogue::kSourceOffset);
    Command1_Click();
}

void FormMian::ApplyResultLayout()
{
    const bool roman = Check1->isChecked();
    const bool dict = Check2->isChecked();
    if (!roman && !dict) {
        TranslationBox->setGeometry(2, 188, 620, 239);
        RomanizationBox->hide();
        DictionaryBox->hide();
    } else if (!roman) {
        TranslationBox->setGeometry(2, 188, 620, 135);
        DictionaryBox->setGeometry(2, 325, 620, 102);
        RomanizationBox->hide();
        DictionaryBox->show();
    } else if (!dict) {
        TranslationBox->setGeometry(2, 188, 620, 135);
        RomanizationBox->setGeometry(2, 325, 620, 102);
        RomanizationBox->show();
        DictionaryBox->hide();
    } else {
        RomanizationBox->setGeometry(2, 325, 370, 102);
        DictionaryBox->setGeometry(375, 325, 247, 102);
        RomanizationBox->show();
        DictionaryBox->show();
    }
}

void FormMian::Command1_Click()
{
    // One translation at a time: the clipboard, F5 or a second click wait their turn.
    if (m_translating)
        return;
    const bool online = ServiceFallback::OnThisComputer(m_service) || m_isOnline();
    if (!online && !m_service.fallback) {
        showNote(Text(102));
        tellFailure(Text(102));
        return;
    }
    const BlockingCommand blocking(Command1, menuF0);
    TranslatePage(online);
}

void FormMian::TranslatePage(bool online)
{
    const QString text = GetBoxText(SourceBox);
    if (!ResultsFile::IsNotBlank(text)) {
        SetBoxText(TranslationBox, QString());
        SetBoxText(RomanizationBox, QString());
        SetBoxText(DictionaryBox, QString());
        showNote({});
        return;
    }
    m_translating = true;
    showNote({});
    const QString escaped = SpeechPage::EscapeAmpersands(text);
    ServiceSettings settings = m_service;
    settings.timeoutMs = m_requestTimeoutMs;
    const Translation translation = ServiceFallback::Translate(
        settings, {text, SourceLanguageCode, TargetLanguageCode, HostLanguageCode, m_languageIndex},
        online);
    const ServiceReply& reply = translation.reply;
    showNote(translation.note);
    if (!online && translation.fallbackFrom.isEmpty()) {
        // Offline with nothing on this computer to ask: the boxes keep what they hold.
        tellFailure(Text(102));
        m_translating = false;
        return;
    }
    SetBoxTextLater(replyBox(), reply.raw);
    const TranslationResult& result = reply.result;
    SetBoxText(TranslationBox, result.translation);
    SetBoxText(RomanizationBox, result.romanization);
    SetBoxText(DictionaryBox, result.dictionary);
    if (!reply.ok() && TranslationServices::Make(m_service)->tellsFailures())
        tellFailure(reply.message);
    if (reply.unrecognised && !m_toldUnrecognisedReply && m_tray) {
        // Said once a run: the page now answers without the translation it used to hold.
        m_toldUnrecognisedReply =
            m_tray->Tell(Text(100), Text(227), QSystemTrayIcon::Information, 15000);
    }

    // The 100-character rule counts a source "&" as the three characters of "%26".
    const auto speech = [this](const QString& spoken, qsizetype counted, const QString& code,
                               int index) {
        if (counted > 100) {
            m_speech[std::size_t(index)] = false;
            QFile::remove(
                GetSysPath::JoinPath(GetSysPath::GetTempFolder(), SpeechPage::PageFileName(index)));
            WebBrowser2[std::size_t(index)]->hide();
        } else {
            m_speech[std::size_t(index)] = BuildSpeechPage(spoken, code, index);
        }
    };
    speech(SpeechPage::EscapeForPage(text, true), escaped.size(), SourceLanguageCode, 1);
    speech(SpeechPage::EscapeForPage(result.translation, false), result.translation.size(),
           TargetLanguageCode, 0);

    if (m_state.CacheTranslations)
        StoreTranslation();
    m_translating = false;
}

bool FormMian::BuildSpeechPage(const QString& text, const QString& languageCode, int index)
{
    const QString folder = GetSysPath::GetTempFolder();
    const auto i = std::size_t(index);
    m_speechPath[i] = GetSysPath::JoinPath(folder, SpeechPage::PageFileName(index));
    const auto written =
        SpeechPage::WritePage(folder, index, text, languageCode, ServiceConfig::TranslateBaseUrl());
    // A page that could not be written must not leave the button speaking the last text.
    if (!written.value_or(false)) {
        WebBrowser2[i]->hide();
        return false;
    }
    WebBrowser2[i]->navigate(m_speechPath[i]);
    WebBrowser2[i]->show();
    return true;
}

void FormMian::tellFailure(const QString& message)
{
    if (m_clipboardTranslation) {
        // A copy made in another program never stops the user's work with a box: one
        // notification, or with neither a tray nor a notification server the window's note.
        if (!m_tray || !m_tray->Tell(Text(100), message, QSystemTrayIcon::Warning, 10000))
            showNote(message);
        return;
    }
    QMessageBox box(QMessageBox::Warning, Text(100), message, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ServiceFailure"));
    box.exec();
}

void FormMian::showNote(const QString& note)
{
    // One line: the whole of a longer note is in its tooltip.
    TranslationNote->setToolTip(note);
    TranslationNote->setText(TranslationNote->fontMetrics().elidedText(
        note, Qt::ElideRight, TranslationNote->width() - 8));
    TranslationNote->setVisible(!note.isEmpty());
}

void FormMian::placeNote()
{
    const QWidget* viewport = TranslationBox->viewport();
    const int height = TranslationNote->sizeHint().height();
    TranslationNote->setGeometry(0, viewport->height() - height, viewport->width(), height);
    showNote(TranslationNote->toolTip());
}

bool FormMian::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TranslationBox->viewport() && event->type() == QEvent::Resize)
        placeNote();
    return QMainWindow::eventFilter(watched, event);
}

void FormMian::useService(const ServiceSettings& service)
{
    m_service = service;
    m_service.name = TranslationServices::Normalized(service.name);
    for (SpeechButton* button : WebBrowser2)
        button->setService(m_service);
    for (QAction* item : menuS4Services)
        item->setChecked(item->data().toString() == m_service.name);
}

void FormMian::menuS4_Click(const QString& serviceName)
{
    if (serviceName == m_service.name) {
        useService(m_service);
        return;
    }
    // An address or key belongs to the service it was given for.
    ServiceSettings chosen;
    chosen.name = serviceName;
    chosen.fallback = m_service.fallback;
    chosen.localVoice = m_service.localVoice;
    if (const FileSave::SaveResult saved = m_store->WriteService(chosen); !saved)
        warnNotSaved(saved);
    useService(chosen);
}

void FormMian::menuS4Settings_Click()
{
    ServiceDialog dialog(*m_store, m_languageIndex, this);
    connect(&dialog, &ServiceDialog::serviceSaved, this, &FormMian::useService);
    dialog.exec();
}

void FormMian::StoreTranslation()
{
    HistorySlot slot;
    slot.texts = {GetBoxText(SourceBox), GetBoxText(TranslationBox), GetBoxText(RomanizationBox),
                  GetBoxText(DictionaryBox)};
    slot.targetIndex = Combo1->currentIndex();
    slot.sourceIndex = Combo2->currentIndex();
    slot.translationSpeech = m_speech[0];
    slot.sourceSpeech = m_speech[1];
    m_history.StoreTranslation(slot, GetSysPath::GetTempFolder());
    if (!m_historyPacker) {
        m_historyPacker = new QTimer(this);
        connect(m_historyPacker, &QTimer::timeout, this, [this] {
            if (!m_history.packMore())
                m_historyPacker->stop();
        });
    }
    m_historyPacker->start(0);
}

void FormMian::Command6_Click()
{
    const int c = m_history.Back();
    const HistorySlot& slot = m_history.slot(c);
    SetBoxText(SourceBox, slot.texts[0]);
    SetBoxText(TranslationBox, slot.texts[1]);
    SetBoxText(RomanizationBox, slot.texts[2]);
    SetBoxText(DictionaryBox, slot.texts[3]);
    setListIndex(Combo1, slot.targetIndex);
    setListIndex(Combo2, slot.sourceIndex);
    const QString folder = GetSysPath::GetTempFolder();
    const bool flags[2] = {slot.translationSpeech, slot.sourceSpeech};
    for (int index = 0; index < 2; ++index) {
        SpeechButton* view = WebBrowser2[std::size_t(index)];
        if (flags[index]) {
            view->navigate(
                GetSysPath::JoinPath(folder, TranslationHistory::SlotFileName(c, index)));
            view->show();
        } else {
            view->hide();
        }
    }
}

void FormMian::Command2_Click()
{
    CopyBoxText(TranslationBox, m_state);
}

void FormMian::Command5_Click()
{
    PasteIntoBox(SourceBox);
}

void FormMian::Command3_Click()
{
    for (TextBox* box : {SourceBox, TranslationBox, RomanizationBox, DictionaryBox})
        SetBoxText(box, QString());
    WebBrowser2[0]->hide();
    WebBrowser2[1]->hide();
}

void FormMian::menuF1_Click()
{
    const FileCommands::OpenOutcome opened = FileCommands::OpenTextFile(this, m_languageIndex);
    SourceFile = opened.SourceFile;
    if (!opened.text)
        return;
    SetBoxText(SourceBox, *opened.text);
    Command1_Click();
}

void FormMian::menuF2_Click()
{
    FileCommands::SaveResults(this, m_languageIndex, GetBoxText(SourceBox),
                              GetBoxText(TranslationBox), GetBoxText(RomanizationBox),
                              GetBoxText(DictionaryBox));
}

void FormMian::menuH1_Click()
{
    QDesktopServices::openUrl(QUrl(ServiceConfig::ProductPageUrl()));
}

void FormMian::menuH4_Click()
{
    QDesktopServices::openUrl(
        QUrl(ServiceConfig::TranslateBaseUrl() + QStringLiteral("/?hl=") + HostLanguageCode));
}

void FormMian::menuS201_Click()
{
    switchLanguage(1);
}

void FormMian::menuS202_Click()
{
    switchLanguage(2);
}

void FormMian::menuS203_Click()
{
    switchLanguage(3);
}

void FormMian::switchLanguage(int k)
{
    const QString index = QString::number(k);
    if (index == m_languageIndex)
        return;
    m_store->SaveSetting(SettingsStore::kLanguageKey, index);
    m_languageIndex = index;
    const int target = Combo1->currentIndex();
    const int source = Combo2->currentIndex();
    ModMenu::RemoveMenuHook(this);
    ApplyLanguage();
    setListIndex(Combo1, target);
    setListIndex(Combo2, source);
    menuS201->setChecked(k == 1);
    menuS202->setChecked(k == 2);
    menuS203->setChecked(k == 3);
    ModMenu::BuildOwnerDrawMenus(this, menuBar(), {menuSYS});
    setWindowState(Qt::WindowNoState);
    show();
    raise();
    activateWindow();
}

void FormMian::TranslateFromOutside(TextSource source, const QString& text)
{
    RestoreFromTray();
    raise();
    activateWindow();
    // Under Wayland only a focused window may read the selection or the clipboard, and the
    // focus comes a little after the raise, if the compositor grants it: the reading waits for
    // it, but not for ever (without it the selection reads empty and nothing is translated).
    if (source == TextSource::Given || !QGuiApplication::platformName().startsWith(u"wayland") ||
        isActiveWindow()) {
        ReadOutsideText(source, text);
        return;
    }
    auto* wait = new QTimer(this);
    wait->setSingleShot(true);
    connect(wait, &QTimer::timeout, this, [this, wait, source, text] {
        wait->deleteLater();
        ReadOutsideText(source, text);
    });
    connect(qApp, &QGuiApplication::focusWindowChanged, wait, [this, wait] {
        if (isActiveWindow())
            wait->start(0);
    });
    wait->start(1500);
}

void FormMian::ReadOutsideText(TextSource source, const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString found = text;
    if (source == TextSource::Selection && clipboard->supportsSelection())
        found = ModmonClip::ClipboardText(clipboard->mimeData(QClipboard::Selection));
    if (source != TextSource::Given && !ModmonClip::IsClipText(found))
        found = ModmonClip::ClipboardText(clipboard->mimeData(QClipboard::Clipboard));
    m_clipMonitor->TranslateText(found);
}

bool FormMian::ApplyShortcut()
{
    const QKeySequence key = QKeySequence::fromString(m_store->ReadTranslateSelectionKey());
    if (QGuiApplication::platformName().startsWith(u"wayland")) {
        // No grab reaches past our own windows here: the desktop's portal, where it has one.
        if (!m_portal) {
            m_portal = new PortalShortcut(QDBusConnection::sessionBus(),
                                          QStringLiteral("translate-selection"),
                                          QStringLiteral("org.verbalto.Verbalto"), this);
            connect(m_portal, &PortalShortcut::activated, this,
                    [this] { TranslateFromOutside(TextSource::Selection); });
        }
        m_portal->SetKey(key, Text(302));
        return m_portal->state() != PortalShortcut::State::Unavailable;
    }
    if (!m_shortcut) {
        m_shortcut = new GlobalShortcut(this);
        connect(m_shortcut, &GlobalShortcut::activated, this,
                [this] { TranslateFromOutside(TextSource::Selection); });
    }
    const bool active = m_shortcut->SetKey(key);
    // Under X11 only: elsewhere there is nothing to grab, which is no one's fault.
    if (!active && !key.isEmpty() && QGuiApplication::platformName() == u"xcb" &&
        !m_toldShortcutTaken) {
        m_toldShortcutTaken = true;
        const QString note = Text(290).arg(key.toString(QKeySequence::NativeText));
        showNote(note);
        std::fprintf(stderr, "verbalto: %s\n", qPrintable(note));
    }
    return active;
}

void FormMian::ShowShortcutState(Form2& dialog) const
{
    using State = Form2::ShortcutState;
    State state = State::Unavailable;
    if (m_portal)
        state = m_portal->state() == PortalShortcut::State::Unavailable ? State::Unavailable
                                                                        : State::Active;
    else if (QGuiApplication::platformName() == u"xcb")
        state = m_shortcut && m_shortcut->IsActive() ? State::Active : State::Taken;
    dialog.SetShortcutState(state);
}

void FormMian::RestoreFromTray()
{
    if (!isMinimized() && isVisible())
        return;
    if (m_tray) {
        m_tray->RestoreWindow();
        return;
    }
    setWindowState(Qt::WindowNoState);
    show();
    raise();
    activateWindow();
}

void FormMian::menuF3_Click()
{
    m_state.ExitRequested = true;
    close();
}

void FormMian::closeEvent(QCloseEvent* event)
{
    if (m_state.ExitRequested || m_sessionEnding) {
        m_clipMonitor->StopClipMonitor();
        ModMenu::RemoveMenuHook(this);
        for (TextBox* box : {SourceBox, TranslationBox, RomanizationBox, DictionaryBox})
            UnhookBox(box);
        if (m_promotions)
            m_promotions->UnloadPopup();
        event->accept();
        Form_Unload();
        return;
    }
    // The close box only sends Verbalto to the notification area.
    event->ignore();
    if (m_tray)
        m_tray->MinimiseToTray();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void FormMian::Form_Unload()
{
    if (m_tray)
        m_tray->RemoveTrayIcon();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void FormMian::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    // The tray, the popup and the rest wait for the first paint; a window that is never painted
    // (minimised at once) gets them a little later.
    if (!m_started)
        QTimer::singleShot(1000, this, &FormMian::afterFirstShow);
}

void FormMian::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (!m_started && !m_afterPaintQueued) {
        m_afterPaintQueued = true;
        QTimer::singleShot(0, this, &FormMian::afterFirstShow);
    }
}

void FormMian::StartHidden()
{
    // Never shown rather than minimised: a window first mapped from the minimised state may
    // stay iconic when it is restored.
    m_startHidden = true;
    QTimer::singleShot(0, this, &FormMian::afterFirstShow);
}

void FormMian::afterFirstShow()
{
    if (m_started)
        return;
    m_started = true;
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        // Log-off or shutdown: the next close really ends the program.
        m_sessionEnding = true;
    });

    // Nothing of the shortcut shows: its grab waits for the first paint.
    ApplyShortcut();
    m_tray = new SysTray(this, menuSYS, menuSYS1, m_languageIndex);
    m_tray->AddTrayIcon();
    // Native Wayland gives the clipboard only to the focused program: said once a run.
    if (QGuiApplication::platformName().startsWith(u"wayland") && m_clipMonitor->IsRunning())
        showNote(Text(250));
    if (m_startHidden) {
        // Without a notification area the "mini" start waits in the taskbar instead.
        if (m_tray->TrayAvailable())
            m_tray->MinimiseToTray();
        else
            m_tray->ShowMinimisedAtStart();
    }

    m_update = new UpdateCheck(
        this, [this] { return m_languageIndex; },
        [this] {
            m_state.ExitRequested = true;
            close();
        },
        this);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { m_update->Timer2_Timer(Timer2); });
    Timer2->start();

    // The banner has nothing to show before its page loads, so its view is made after the first
    // paint: a text browser is the dearest control of the window to build.
    WebBrowser3 = new HtmlView(centralWidget());
    WebBrowser3->setObjectName(QStringLiteral("WebBrowser3"));
    WebBrowser3->setGeometry(2, 0, 620, 60);
    WebBrowser3->show();
    Promotions::Config config;
    config.getRemoteText = [](const QUrl& url) { return GetRemoteText(url, false); };
    m_promotions = new Promotions(WebBrowser3, config, this);
    m_promotions->ShowOfflineBanner();
    // A logon start stays out of the way: no popup either.
    if (!m_startHidden)
        m_promotions->ShowDailySentence();
    m_promotions->StartTimer3();
    // Start-up frees what it needed only once (font set-up, the parsed pages) in the middle of the
    // heap, where glibc keeps it unless asked: a program that stays all day gives it back.
#ifdef __GLIBC__
    QTimer::singleShot(2000, this, [] { malloc_trim(0); });
#endif
}

void FormMian::menuS0_Click()
{
    // The action has already toggled its mark; the entry follows the state before the click.
    const ModAutoRun::ToggleResult result = ModAutoRun::menuS0_Click(!menuS0->isChecked());
    menuS0->setChecked(result.checked);
    if (!result.stored)
        warnNotSaved();
}

void FormMian::menuS1_Click()
{
    Form2 dialog(*m_store, m_languageIndex, this);
    ShowShortcutState(dialog);
    connect(&dialog, &Form2::optionsSaved, this, &FormMian::ApplyOptions);
    connect(&dialog, &Form2::optionsSaved, this, [this] { ApplyShortcut(); });
    connect(&dialog, &Form2::copyingCommand, this, [this] { m_state.bSelfCopy = true; });
    dialog.exec();
}

void FormMian::menuS3_Click()
{
    // A cancelled dialog stores the same record again.
    m_font = ModFont::ChooseTextFont(this, m_font, textBoxes());
    SetToRegFont();
}

void FormMian::warnNotSaved(FileSave::SaveResult why)
{
    QMessageBox box(QMessageBox::Warning, Text(100),
                    FileCommands::NotSavedText(m_languageIndex, why), QMessageBox::Ok, this);
    box.exec();
}

void FormMian::SetToRegFont()
{
    if (const FileSave::SaveResult saved = ModFont::StoreFont(*m_store, m_font); !saved)
        warnNotSaved(saved);
}

void FormMian::menuH3_Click()
{
    FormAbout about(m_languageIndex, this);
    about.exec();
}
