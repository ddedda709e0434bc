#include "AppFixture.h"
#include "ClipMonitor.h"
#include "FontDialog.h"
#include "LanguageCatalogue.h"
#include "ServiceDialog.h"
#include "SpeechButton.h"
#include "SpeechPage.h"

#include "StringTable.h"
#include "TestUtil.h"

#include "SettingsStore.h"
#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

using Form = AppFixture;

namespace {
QString field(const QUrlQuery& q, const char* key)
{
    return q.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}
} // namespace

TEST_F(Form, RequestBodyCarriesTheFieldsInOrder)
{
    translate(QStringLiteral("a&b+c%d\r\n中文"));
    ASSERT_EQ(server.requestCount(), 1);
    const RecordedRequest r = server.requests().first();
    EXPECT_EQ(r.method, QByteArray("POST"));
    EXPECT_EQ(r.path, QByteArray("/translate_t"));
    EXPECT_EQ(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    EXPECT_TRUE(r.body.startsWith("prev=hp&hl=en&ie=UTF-8&js=y&text=")) << r.body.constData();
    // Detect language: "&sl=" directly followed by "&tl=".
    EXPECT_TRUE(r.body.endsWith("&file=&sl=&tl=en")) << r.body.constData();
    EXPECT_EQ(field(lastForm(), "text"), u"a&b+c%d\r\n中文");
    EXPECT_EQ(window->TranslationBox->toPlainText(), u"Bonjour");

    window->Combo2->setCurrentIndex(17); // English
    window->Combo1->setCurrentIndex(19); // French
    translate(QStringLiteral("hello"));
    EXPECT_TRUE(server.requests().last().body.endsWith("&file=&sl=en&tl=fr"));
}

TEST_F(Form, BlankSourceSendsNothingAndClearsTheResults)
{
    translate(QStringLiteral("hello"));
    SetBoxText(window->RomanizationBox, QStringLiteral("r"));
    SetBoxText(window->DictionaryBox, QStringLiteral("d"));
    translate(QStringLiteral("   "));
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_TRUE(GetBoxText(window->TranslationBox).isEmpty());
    EXPECT_TRUE(GetBoxText(window->RomanizationBox).isEmpty());
    EXPECT_TRUE(GetBoxText(window->DictionaryBox).isEmpty());
    EXPECT_EQ(window->history().writeIndex(), 1); // nothing stored for the blank text

    translate(QStringLiteral("\r\n"));
    translate(QStringLiteral("\t"));
    EXPECT_EQ(server.requestCount(), 3);
    EXPECT_EQ(field(lastForm(), "text"), u"\t");
}

TEST_F(Form, FailedRequestsGiveEmptyResultsAndNoDialog)
{
    SetBoxText(window->TranslationBox, QStringLiteral("old"));
    server.setReply("/translate_t", CannedReply::hang());
    window->setRequestTimeout(300);
    translate(QStringLiteral("hello"));
    EXPECT_TRUE(GetBoxText(window->TranslationBox).isEmpty());
    EXPECT_FALSE(window->translating());

    qputenv("VERBALTO_TRANSLATE_URL", "http://127.0.0.1:1");
    SetBoxText(window->TranslationBox, QStringLiteral("old"));
    translate(QStringLiteral("hello"));
    EXPECT_TRUE(GetBoxText(window->TranslationBox).isEmpty());
    EXPECT_TRUE(GetBoxText(window->replyBox()).isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(w) && w->isVisible());
    // The remaining steps still ran: the failed translation is in the history.
    EXPECT_EQ(window->history().writeIndex(), 2);
}

TEST_F(Form, OfflineShowsTheNoticeAndSendsNothing)
{
    window->setOnlineCheck([] { return false; });
    QString text, title;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                text = box->text();
                title = box->windowTitle();
                box->accept();
            }
        }
    });
    translate(QStringLiteral("hello"));
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(text, *StringTable::LoadResString(2102));
    EXPECT_EQ(title, *StringTable::LoadResString(2100));
}

TEST_F(Form, SpeechButtonsFollowLengthAndLanguage)
{
    window->Combo2->setCurrentIndex(17); // English source
    window->Combo1->setCurrentIndex(19); // French target
    translate(QString(100, u'a'));
    EXPECT_TRUE(window->speechFlag(1));
    EXPECT_TRUE(window->WebBrowser2[1]->isVisibleTo(window.get()));
    EXPECT_TRUE(QFile::exists(tempFile(QStringLiteral("soun(1).tmp"))));
    EXPECT_TRUE(window->speechFlag(0)); // "Bonjour" in French

    translate(QString(101, u'a'));
    EXPECT_FALSE(window->speechFlag(1));
    EXPECT_FALSE(window->WebBrowser2[1]->isVisibleTo(window.get()));
    EXPECT_FALSE(QFile::exists(tempFile(QStringLiteral("soun(1).tmp"))));

    // 34 ampersands count three characters each: 34 * 3 + 33 = 135.
    translate(QString(34, u'&') + QString(33, u'x'));
    EXPECT_FALSE(window->speechFlag(1));

    // Thai has no speech: the translation's page goes.
    window->Combo1->setCurrentIndex(LanguageCatalogue::PositionOfCode(QStringLiteral("th")));
    translate(QStringLiteral("hello"));
    EXPECT_FALSE(window->speechFlag(0));
    EXPECT_FALSE(QFile::exists(tempFile(QStringLiteral("soun(0).tmp"))));

    // Detection never speaks the source.
    window->Combo2->setCurrentIndex(0);
    translate(QStringLiteral("hello"));
    EXPECT_FALSE(window->speechFlag(1));
    EXPECT_FALSE(window->WebBrowser2[1]->isVisibleTo(window.get()));
}

TEST_F(Form, SpeechButtonAsksTheServiceForTheSound)
{
    window->Combo2->setCurrentIndex(17);
    translate(QStringLiteral("R&D 中"));
    SpeechButton* source = window->WebBrowser2[1];
    // The voice is the Google web API's, wherever the page came from.
    ServiceSettings google;
    google.name = QStringLiteral("google-web");
    google.url = server.baseUrl();
    window->useService(google);
    QSignalSpy finished(&source->player(), &SpeechPlayer::finished);
    source->click();
    EXPECT_EQ(source->lastRequest().toString(QUrl::FullyEncoded),
              server.baseUrl() +
                  QStringLiteral("/translate_tts?ie=UTF-8&client=gtx&tl=en&q=R%26D%20%E4%B8%AD"));
    // No sound came back: the voice on this computer spoke instead.
    ASSERT_TRUE(finished.wait(5000));
    // Apertium has no voice: the one on this computer speaks, and a second click stops it.
    QSignalSpy requested(&source->player(), &SpeechPlayer::requested);
    google.name = QStringLiteral("apertium");
    window->useService(google);
    source->click();
    EXPECT_TRUE(source->player().speaking());
    source->click();
    EXPECT_FALSE(source->player().speaking());
    EXPECT_EQ(requested.count(), 0);
}

TEST_F(Form, ASpeechButtonThatCannotSpeakSaysWhy)
{
    // A page in Yiddish, which no voice on this computer speaks.
    const QString page = runtime.filePath(QStringLiteral("yi.tmp"));
    ASSERT_TRUE(TestUtil::writeFile(page, SpeechPage::BuildSpeechPageText(QStringLiteral("shalom"),
                                                                          QStringLiteral("yi"),
                                                                          server.baseUrl())));
    SpeechButton* button = window->WebBrowser2[0];
    ServiceSettings local;
    local.name = QStringLiteral("apertium");
    window->useService(local);
    button->navigate(page);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->toolTip(), *StringTable::LoadResString(2271));

    // The web voice may speak it, but its reply is no sound: a note tells why, the window
    // stays usable.
    ServiceSettings google;
    google.name = QStringLiteral("google-web");
    google.url = server.baseUrl();
    window->useService(google);
    ASSERT_TRUE(button->isEnabled());
    button->click();
    ASSERT_TRUE(TestUtil::waitUntil([&] { return button->note() != nullptr; }, 5000));
    EXPECT_EQ(button->note()->text(), *StringTable::LoadResString(2271));
    EXPECT_FALSE(button->note()->isModal());
    EXPECT_EQ(button->toolTip(), *StringTable::LoadResString(2271));
}

TEST_F(Form, ResultLayoutFollowsTheTwoCheckBoxes)
{
    window->show();
    auto geometry = [](QWidget* w) { return w->geometry(); };
    window->Check1->setChecked(false); // dictionary only
    EXPECT_EQ(geometry(window->TranslationBox), QRect(2, 188, 620, 135));
    EXPECT_EQ(geometry(window->DictionaryBox), QRect(2, 325, 620, 102));
    EXPECT_FALSE(window->RomanizationBox->isVisible());
    EXPECT_TRUE(window->DictionaryBox->isVisible());

    window->Check2->setChecked(false); // neither
    EXPECT_EQ(geometry(window->TranslationBox), QRect(2, 188, 620, 239));
    EXPECT_FALSE(window->DictionaryBox->isVisible());

    window->Check1->setChecked(true); // romanization only
    EXPECT_EQ(geometry(window->TranslationBox), QRect(2, 188, 620, 135));
    EXPECT_EQ(geometry(window->RomanizationBox), QRect(2, 325, 620, 102));
    EXPECT_TRUE(window->RomanizationBox->isVisible());

    window->Check2->setChecked(true); // both
    EXPECT_EQ(geometry(window->TranslationBox), QRect(2, 188, 620, 135));
    EXPECT_EQ(geometry(window->RomanizationBox), QRect(2, 325, 370, 102));
    EXPECT_EQ(geometry(window->DictionaryBox), QRect(375, 325, 247, 102));
}

TEST_F(Form, SwapExchangesTheLanguagesAndTranslatesAgain)
{
    SetBoxText(window->SourceBox, QStringLiteral("hello"));
    window->Combo2->setCurrentIndex(17);
    window->Combo1->setCurrentIndex(19);
    EXPECT_TRUE(window->Command7->isEnabled());
    window->Command7->click();
    EXPECT_EQ(window->Combo2->currentIndex(), 21);
    EXPECT_EQ(window->Combo1->currentIndex(), 15);
    EXPECT_EQ(window->SourceLanguageCode, u"fr");
    EXPECT_EQ(window->TargetLanguageCode, u"en");
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_TRUE(server.requests().first().body.endsWith("&sl=fr&tl=en"));

    window->Combo2->setCurrentIndex(1); // the separator behaves like detection
    EXPECT_FALSE(window->Command7->isEnabled());
    EXPECT_EQ(window->SourceLanguageCode, u"");
}

TEST_F(Form, RightToLeftTargetsSwitchTheResultBoxes)
{
    window->Combo1->setCurrentIndex(21); // Georgian
    EXPECT_TRUE(window->TranslationBox->isRightToLeft());
    EXPECT_TRUE(window->RomanizationBox->isRightToLeft());
    EXPECT_FALSE(window->SourceBox->isRightToLeft());
    window->Combo1->setCurrentIndex(15);
    EXPECT_FALSE(window->TranslationBox->isRightToLeft());
    EXPECT_EQ(window->TranslationBox->layoutDirection(), Qt::LeftToRight);

    window->Combo2->setCurrentIndex(2 + 25); // Hebrew source
    EXPECT_TRUE(window->SourceBox->isRightToLeft());
    window->Combo2->setCurrentIndex(0);
    EXPECT_FALSE(window->SourceBox->isRightToLeft());
}

TEST_F(Form, BackWalksTheRingOfThreeTranslations)
{
    window->Command6->click(); // nothing stored yet: an empty slot resets the lists
    EXPECT_EQ(window->Combo1->currentIndex(), 0);
    EXPECT_EQ(window->Combo2->currentIndex(), 0);

    for (const char* t : {"T1", "T2", "T3"}) {
        server.setReply("/translate_t", CannedReply::ok(ReplyPages::PageUtf8(
                                            {QLatin1String(t) + QStringLiteral("-fr")})));
        window->Combo1->setCurrentIndex(19);
        translate(QString::fromLatin1(t));
    }
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        window->Command6->click();
        seen << GetBoxText(window->SourceBox) + u'=' + GetBoxText(window->TranslationBox);
    }
    EXPECT_EQ(seen, QStringList({"T2=T2-fr", "T1=T1-fr", "T3=T3-fr", "T2=T2-fr"}));
    EXPECT_EQ(window->Combo1->currentIndex(), 19);
    EXPECT_EQ(server.requestCount(), 3); // Back sends nothing
}

TEST_F(Form, CopyPasteAndClear)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("untouched"));
    SetBoxText(window->TranslationBox, QStringLiteral("   "));
    window->Command2->click();
    EXPECT_EQ(clipboard->text(), u"untouched");
    EXPECT_FALSE(state.bSelfCopy);

    SetBoxText(window->TranslationBox, QStringLiteral("line one\r\nline two"));
    window->Command2->click();
    EXPECT_EQ(clipboard->text(), u"line one\nline two");
    EXPECT_TRUE(window->TranslationBox->textCursor().hasSelection());

    SetBoxText(window->SourceBox, QStringLiteral("keep [x] end"));
    QTextCursor cursor = window->SourceBox->textCursor();
    cursor.setPosition(5);
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    window->SourceBox->setTextCursor(cursor);
    clipboard->setText(QStringLiteral("Y"));
    window->Command5->click();
    EXPECT_EQ(GetBoxText(window->SourceBox), u"keep Y end");

    window->Combo1->setCurrentIndex(19);
    window->Command3->click();
    for (TextBox* box : {window->SourceBox, window->TranslationBox, window->RomanizationBox,
                         window->DictionaryBox})
        EXPECT_TRUE(GetBoxText(box).isEmpty());
    EXPECT_EQ(window->Combo1->currentIndex(), 19);
    EXPECT_TRUE(window->Check1->isChecked());
}

TEST_F(Form, CloseBoxDoesNotEndTheProgram)
{
    window->show();
    QCloseEvent close;
    QApplication::sendEvent(window.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_TRUE(window->isMinimized());

    state.ExitRequested = true;
    QCloseEvent exit;
    QApplication::sendEvent(window.get(), &exit);
    EXPECT_TRUE(exit.isAccepted());
    EXPECT_FALSE(window->SourceBox->hooked());
}

TEST_F(Form, OurButtonPicturesAndAWindowOfOneSize)
{
    for (QToolButton* b : {window->Command1, window->Command2, window->Command3, window->Command5,
                           window->Command6, window->Command7}) {
        const auto drawn = QImage::Format_ARGB32_Premultiplied;
        const QImage shown = b->icon().pixmap(16, 16).toImage().convertToFormat(drawn);
        const QImage ours =
            QIcon(QStringLiteral(VERBALTO_SOURCE_DIR "/src/resources/icons/desktop/%1.png")
                      .arg(b->objectName()))
                .pixmap(16, 16)
                .toImage()
                .convertToFormat(drawn);
        EXPECT_FALSE(ours.isNull());
        EXPECT_EQ(shown, ours) << b->objectName().toStdString();
    }
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->width(), 624);
    EXPECT_GT(window->height(), 490); // the menu bar on top of the client area
}

TEST_F(Form, CaptionsComeFromTheStringTable)
{
    EXPECT_EQ(window->windowTitle(), *StringTable::LoadResString(2017));
    EXPECT_EQ(window->Command1->text(), *StringTable::LoadResString(2025));
    EXPECT_EQ(window->Command7->toolTip(), *StringTable::LoadResString(2113));
    EXPECT_EQ(window->Combo2->count(), 61);
    EXPECT_EQ(window->Combo2->itemText(0), *StringTable::LoadResString(2099));
    EXPECT_EQ(window->Combo2->itemText(1), u"-------------");
    EXPECT_EQ(window->Combo1->itemText(58), *StringTable::LoadResString(2096));

    window->Combo2->setCurrentIndex(17);
    window->Combo1->setCurrentIndex(19);
    window->menuS201->trigger();
    EXPECT_EQ(window->LanguageIndex(), u"1");
    EXPECT_EQ(window->Combo1->currentText(), u"French");
    EXPECT_EQ(window->Combo2->currentText(), u"English");
    EXPECT_EQ(window->SourceLanguageCode, u"en");
    EXPECT_EQ(window->Label2->text(), u"From");
    EXPECT_TRUE(window->menuS201->isChecked());
    EXPECT_FALSE(window->menuS202->isChecked());
}

TEST_F(Form, OpenedFileIsTranslatedAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.TXT"));
    QByteArray utf16("\xFF\xFE", 2);
    const QString text = QStringLiteral("  Hello\r\n世界");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    ASSERT_TRUE(TestUtil::writeFile(path, utf16));

    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            // Typed into the name field, as a person would; the dialog runs its own checks.
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    answer.start();
    window->menuF1_Click();
    answer.stop();
    EXPECT_EQ(window->SourceFile, path);
    EXPECT_EQ(GetBoxText(window->SourceBox), text);
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(field(lastForm(), "text"), text);
    EXPECT_EQ(GetBoxText(window->TranslationBox), u"Bonjour");
}

namespace {
// Answers the next modal dialog of type D with act, then every message box after it with OK.
template <typename D> void answerModal(QTimer& timer, const std::function<void(D*)>& act)
{
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->accept();
        else if (auto* dialog = qobject_cast<D*>(modal); dialog && dialog->isVisible())
            act(dialog);
    });
    timer.start();
}
} // namespace

TEST_F(Form, EveryCaptionFollowsTheInterfaceLanguage)
{
    for (const char* lang : {"1", "3", "2"}) {
        const int l = QString::fromLatin1(lang).toInt();
        QAction* item = l == 1 ? window->menuS201 : l == 2 ? window->menuS202 : window->menuS203;
        item->trigger();
        auto text = [&](int n) { return *StringTable::LoadResString(l * 1000 + n); };
        const std::pair<QString, int> captions[] = {
            {window->menuF->title(), 1},        {window->menuF0->text(), 2},
            {window->menuF1->text(), 3},        {window->menuF2->text(), 4},
            {window->menuF3->text(), 5},        {window->menuS->title(), 6},
            {window->menuS0->text(), 7},        {window->menuS1->text(), 8},
            {window->menuS2->title(), 9},       {window->menuS3->text(), 115},
            {window->menuS201->text(), 10},     {window->menuS202->text(), 11},
            {window->menuS203->text(), 114},    {window->menuH->title(), 12},
            {window->menuH1->text(), 13},       {window->menuH2->text(), 14},
            {window->menuH3->text(), 15},       {window->menuH4->text(), 16},
            {window->windowTitle(), 17},        {window->menuSYS1->text(), 18},
            {window->menuSYS3->text(), 8},      {window->menuSYS2->text(), 5},
            {window->Label2->text(), 21},       {window->Label1->text(), 22},
            {window->Check1->text(), 23},       {window->Check2->text(), 24},
            {window->Command1->toolTip(), 2},   {window->Command6->toolTip(), 110},
            {window->Command2->toolTip(), 111}, {window->Command5->toolTip(), 112},
            {window->Command3->toolTip(), 29},  {window->Command7->toolTip(), 113},
            {window->Command1->text(), 25},     {window->Command6->text(), 26},
            {window->Command2->text(), 27},     {window->Command5->text(), 28},
            {window->Command3->text(), 29},     {window->Command7->text(), 109},
            {window->Combo1->itemText(0), 38},  {window->Combo2->itemText(0), 99},
            {window->Combo2->itemText(60), 96}};
        for (const auto& [shown, n] : captions)
            EXPECT_EQ(shown, text(n)) << "language " << lang << ", text " << n;
        EXPECT_EQ(window->store().value(QStringLiteral("Language")),
                  std::optional<QString>(QString::fromLatin1(lang)));
    }
}

TEST_F(Form, ChoosingTheCheckedLanguageChangesNothing)
{
    const QByteArray before = TestUtil::readFile(window->store().filePath());
    window->menuS202->trigger(); // already the language
    EXPECT_EQ(TestUtil::readFile(window->store().filePath()), before);
    EXPECT_TRUE(window->menuS202->isChecked());
}

TEST_F(Form, OptionsOkAppliesToTheWindowAtOnce)
{
    QTimer answer;
    answerModal<QDialog>(answer, [](QDialog* dialog) {
        if (dialog->objectName() != u"Form2")
            return;
        dialog->findChild<QComboBox*>(QStringLiteral("Combo2"))->setCurrentIndex(17); // source
        dialog->findChild<QComboBox*>(QStringLiteral("Combo3"))->setCurrentIndex(19); // target
        dialog->findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(22); // system
        dialog->findChild<QCheckBox*>(QStringLiteral("Check4"))->setChecked(false);   // dictionary
        // Clicked from the event loop: the message box that follows is answered by this timer.
        QMetaObject::invokeMethod(dialog->findChild<QAbstractButton*>(QStringLiteral("Command1")),
                                  "click", Qt::QueuedConnection);
    });
    window->menuS1->trigger();
    answer.stop();
    EXPECT_EQ(window->Combo2->currentIndex(), 17);
    EXPECT_EQ(window->Combo1->currentIndex(), 19);
    EXPECT_EQ(window->SourceLanguageCode, u"en");
    EXPECT_EQ(window->TargetLanguageCode, u"fr");
    EXPECT_EQ(window->HostLanguageCode, u"de");
    EXPECT_FALSE(window->Check2->isChecked());
    EXPECT_FALSE(window->DictionaryBox->isVisibleTo(window.get()));
    EXPECT_EQ(window->store().ReadOptions(), u"17|19|1|0|22|0|1");
}

TEST_F(Form, AutoRunEntryFollowsTheMenuAcrossRestarts)
{
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_DIRS", xdg.path().toUtf8());
    window = std::make_unique<FormMian>(state);
    EXPECT_FALSE(window->menuS0->isChecked());
    window->menuS0->trigger();
    EXPECT_TRUE(window->menuS0->isChecked());
    // The user's own entry; the machine-wide folder is left alone.
    EXPECT_TRUE(QFile::exists(config.path() + QStringLiteral("/autostart/Korvane-T.desktop")));
    EXPECT_FALSE(QFile::exists(xdg.path() + QStringLiteral("/autostart/Korvane-T.desktop")));

    window = std::make_unique<FormMian>(state); // a restart
    EXPECT_TRUE(window->menuS0->isChecked());
    window->menuS0->trigger();
    EXPECT_FALSE(window->menuS0->isChecked());
    EXPECT_FALSE(QFile::exists(config.path() + QStringLiteral("/autostart/Korvane-T.desktop")));
    qunsetenv("XDG_CONFIG_DIRS");
}

TEST_F(Form, StoredFontReachesTheVisibleBoxesOnly)
{
    window->store().SaveSetting(QStringLiteral("Font"),
                                QStringLiteral("DejaVu Serif|700|True|14|0|False|False|0"));
    window = std::make_unique<FormMian>(state);
    for (TextBox* box : {window->SourceBox, window->TranslationBox, window->RomanizationBox,
                         window->DictionaryBox}) {
        EXPECT_EQ(box->font().family(), u"DejaVu Serif");
        EXPECT_TRUE(box->font().bold());
        EXPECT_TRUE(box->font().italic());
    }
    EXPECT_NE(window->replyBox()->font().family(), u"DejaVu Serif");
}

TEST_F(Form, FontCommandStoresTheRecordEvenWhenCancelled)
{
    const QString record = QStringLiteral("DejaVu Sans|400|False|11|0|False|False|0");
    window->store().SaveSetting(QStringLiteral("Font"), record);
    window = std::make_unique<FormMian>(state);
    window->store().SaveSetting(QStringLiteral("Font"), QStringLiteral("changed elsewhere"));
    QTimer answer;
    answerModal<FontDialog>(answer, [](FontDialog* dialog) { dialog->reject(); });
    window->menuS3->trigger();
    EXPECT_EQ(window->store().value(QStringLiteral("Font")), std::optional<QString>(record));

    answer.disconnect();
    answerModal<FontDialog>(answer, [](FontDialog* dialog) {
        dialog->sizeEdit()->setText(QStringLiteral("10.5"));
        dialog->accept();
    });
    window->menuS3->trigger();
    answer.stop();
    EXPECT_EQ(window->store().value(QStringLiteral("Font")),
              std::optional<QString>(QStringLiteral("DejaVu Sans|400|False|10.5|0|False|False|0")));
    EXPECT_EQ(window->SourceBox->font().pointSizeF(), 10.5);
}

TEST_F(Form, QtButtonsFollowTheLanguageMenu)
{
    auto okText = [this] {
        QMessageBox box(QMessageBox::Warning, QString(), QString(), QMessageBox::Ok, window.get());
        return box.button(QMessageBox::Ok)->text();
    };
    EXPECT_EQ(okText(), u"确定"); // a fresh installation speaks Simplified Chinese
    window->menuS203->trigger();
    EXPECT_EQ(okText(), u"確定");
    window->menuS201->trigger();
    EXPECT_EQ(okText(), u"OK");
}

TEST_F(Form, AChosenServiceTakesEffectAtOnceAndItsFailuresAreTold)
{
    ASSERT_EQ(window->menuS4Services.size(), 5);
    EXPECT_TRUE(window->menuS4Services.first()->isChecked()); // page, the default
    // Chosen in the dialog: no restart.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ServiceDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->serviceList()->setCurrentIndex(2);
        dialog->urlField()->setText(server.baseUrl());
        dialog->accept();
    });
    window->menuS4Settings->trigger();
    EXPECT_TRUE(window->menuS4Services.at(2)->isChecked());
    EXPECT_EQ(window->store().ReadService().name, u"libretranslate");
    server.setReply("/languages", CannedReply::ok(R"([{"code":"en"},{"code":"fr"}])"));
    server.setReply("/translate", CannedReply::ok(R"({"translatedText":"Salut"})"));
    window->Combo1->setCurrentIndex(19); // French
    translate(QStringLiteral("hi"));
    EXPECT_EQ(GetBoxText(window->TranslationBox), u"Salut");
    EXPECT_EQ(server.requests().last().path, QByteArray("/translate"));

    // The user's own request: a box with the service's words; the results are emptied.
    server.setReply("/translate", CannedReply::withStatus(500, R"({"error":"Model crashed"})"));
    QString told;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            told = box->text();
            box->accept();
        }
    });
    answer.start(50);
    translate(QStringLiteral("hi"));
    answer.stop();
    EXPECT_TRUE(told.contains(u"Model crashed")) << told.toStdString();
    EXPECT_TRUE(GetBoxText(window->TranslationBox).isEmpty());

    // A copy elsewhere, with no tray and no notification server: never a box, the window's
    // note says it.
    window->clipMonitor()->StartClipMonitor();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied"));
    ASSERT_TRUE(TestUtil::waitUntil(
        [&] { return server.requests().last().body.contains("copied"); }, 5000));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window->findChild<QMessageBox*>(), nullptr);
    EXPECT_TRUE(window->TranslationNote->toolTip().contains(u"Model crashed"))
        << window->TranslationNote->toolTip().toStdString();
}

TEST_F(Form, AnOfflineCopyIsToldInTheNoteNotInABox)
{
    window->setOnlineCheck([] { return false; });
    window->clipMonitor()->StartClipMonitor();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied offline"));
    EXPECT_TRUE(TestUtil::waitUntil(
        [&] { return window->TranslationNote->toolTip() == window->Text(102); }, 5000))
        << window->TranslationNote->toolTip().toStdString();
    EXPECT_EQ(window->findChild<QMessageBox*>(), nullptr);
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(Form, BusyCursorShowsOnlyWhileATranslationWaits)
{
    server.setReply("/translate_t", CannedReply::hang());
    window->setRequestTimeout(1500);
    const QCursor* during = nullptr;
    Qt::CursorShape shape = Qt::ArrowCursor;
    QTimer::singleShot(200, window.get(), [&] {
        during = QGuiApplication::overrideCursor();
        shape = during ? during->shape() : Qt::ArrowCursor;
    });
    translate(QStringLiteral("hello"));
    EXPECT_NE(during, nullptr);
    EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Form, LargeReplyReachesTheReplyBoxWhole)
{
    QStringList sentences;
    for (int i = 0; i < 20000; ++i)
        sentences << QStringLiteral("Sentence %1,\nwith a line break. ").arg(i);
    const QByteArray page = ReplyPages::PageUtf8(sentences, QStringLiteral("roman"));
    server.setReply("/translate_t", CannedReply::ok(page));
    translate(QStringLiteral("hello"));
    QString expected = QString::fromUtf8(page);
    expected.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_EQ(GetBoxText(window->replyBox()), expected);
    window->show();
    window->replyBox()->show(); // once shown the box itself holds the text
    EXPECT_EQ(window->replyBox()->toPlainText().size(), page.size());
    EXPECT_EQ(GetBoxText(window->replyBox()), expected);
    // A later, smaller reply replaces it.
    server.setReply("/translate_t", CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("x")})));
    translate(QStringLiteral("hello"));
    EXPECT_EQ(GetBoxText(window->replyBox()), ReplyPages::Page({QStringLiteral("x")}));
}

// The page fails; Apertium on this computer answers, and a note inside the translation box
// says who answered and why, until the next translation.
TEST_F(Form, ApertiumAnswersWhenTheServiceFailsAndTheNoteSaysSo)
{
    server.setReply("/translate_t", CannedReply::withStatus(503));
    window->Combo2->setCurrentIndex(LanguageCatalogue::PositionOfCode(QStringLiteral("en")) +
                                    LanguageCatalogue::kSourceOffset);
    window->Combo1->setCurrentIndex(LanguageCatalogue::PositionOfCode(QStringLiteral("es")));
    window->show();
    translate(QStringLiteral("Good morning"));
    EXPECT_EQ(GetBoxText(window->TranslationBox), QString::fromUtf8("Buenos días"));
    EXPECT_TRUE(window->TranslationNote->isVisible());
    EXPECT_TRUE(window->TranslationNote->toolTip().contains(u"Apertium"))
        << window->TranslationNote->toolTip().toStdString();

    server.setReply("/translate_t",
                    CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("Buenos dias")})));
    translate(QStringLiteral("Good morning"));
    EXPECT_FALSE(window->TranslationNote->isVisible());
}
