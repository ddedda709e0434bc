#include "Form2.h"

#include "FileCommands.h"
#include "IcoMod.h"
#include "LanguageCatalogue.h"
#include "ModLng.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {

template <typename T> T* place(T* widget, const char* name, int x, int y, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, width, height > 0 ? height : widget->sizeHint().height());
    return widget;
}

int checkValue(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

Form2::Form2(SettingsStore& store, const QString& languageIndex, QWidget* parent)
    : QDialog(parent), m_store(store), m_languageIndex(languageIndex),
      m_messageBox(&Form2::showMessageBox)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(322, 312);
    // The layout is measured for a 9-point face; larger desktop defaults clip the captions.
    QFont small = font();
    small.setPointSize(9);
    setFont(small);
    IcoMod::SetWindowIcons(this, QStringLiteral("IDR_MAINFRAME"), false);

    Shape1 = place(new QFrame(this), "Shape1", 8, 8, 307, 205);
    Shape1->setFrameShape(QFrame::Box);
    Frame1 = place(new QGroupBox(this), "Frame1", 20, 18, 283, 57);
    Combo1 = place(new QComboBox(Frame1), "Combo1", 22, 20, 241, 0);
    Label1 = place(new QLabel(this), "Label1", 24, 80, 91, 19);
    Combo2 = place(new QComboBox(this), "Combo2", 114, 78, 189, 0);
    Label2 = place(new QLabel(this), "Label2", 24, 106, 93, 17);
    Combo3 = place(new QComboBox(this), "Combo3", 114, 104, 189, 0);
    Check3 = place(new QCheckBox(this), "Check3", 24, 130, 123, 25);
    Check4 = place(new QCheckBox(this), "Check4", 158, 128, 137, 25);
    Check1 = place(new QCheckBox(this), "Check1", 24, 156, 281, 25);
    Check2 = place(new QCheckBox(this), "Check2", 24, 182, 249, 25);
    Check2->setEnabled(false);
    LabelKey = place(new QLabel(this), "LabelKey", 12, 220, 303, 17);
    KeyEdit = place(new QKeySequenceEdit(this), "KeyEdit", 12, 240, 150, 24);
    KeyEdit->setClearButtonEnabled(true);
    KeyNote = place(new QLabel(this), "KeyNote", 170, 238, 145, 36);
    KeyNote->setWordWrap(true);
    KeyNote->setStyleSheet(QStringLiteral("color: #b00000"));
    KeyNote->hide();
    // One key combination: a global grab takes no sequences.
    connect(KeyEdit, &QKeySequenceEdit::editingFinished, this, [this] {
        const QKeySequence key = KeyEdit->keySequence();
        if (key.count() > 1)
            KeyEdit->setKeySequence(QKeySequence(key[0]));
        // A new key may well be free; whether the desktop allows one at all does not change.
        if (m_shortcutState == ShortcutState::Taken)
            SetShortcutState(ShortcutState::Active);
    });
    LabelCommand = place(new QLabel(this), "LabelCommand", 12, 278, 303, 17);
    CommandText =
        place(new QLineEdit(SelectionCommand(QCoreApplication::applicationFilePath()), this),
              "CommandText", 12, 298, 226, 24);
    CommandText->setReadOnly(true);
    CopyCommand = place(new QPushButton(this), "CopyCommand", 246, 298, 69, 25);
    connect(CopyCommand, &QPushButton::clicked, this, [this] {
        emit copyingCommand();
        QGuiApplication::clipboard()->setText(CommandText->text());
    });
    LabelCommand->hide();
    CommandText->hide();
    CopyCommand->hide();
    Command1 = place(new QPushButton(this), "Command1", 152, 280, 69, 25);
    Command2 = place(new QPushButton(this), "Command2", 232, 280, 67, 25);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);

    Form_Load();
}

void Form2::setMessageBox(MessageBoxFn messageBox)
{
    m_messageBox = messageBox ? std::move(messageBox) : MessageBoxFn(&Form2::showMessageBox);
}

QString Form2::text(int n) const
{
    // An unknown interface language must not leave the dialog without captions.
    if (std::optional<QString> found = ModLng::Text(m_languageIndex, n))
        return *found;
    return ModLng::Text(ModLng::kEnglish, n).value_or(QString());
}

void Form2::ApplyLanguage()
{
    setWindowTitle(text(30));
    Frame1->setTitle(text(31));
    Label1->setText(text(32));
    Label2->setText(text(33));
    Check3->setText(text(23));
    Check4->setText(text(24));
    Check1->setText(text(34));
    Check2->setText(text(35));
    Command1->setText(text(36));
    Command2->setText(text(37));
    LabelKey->setText(text(291));
    KeyNote->setText(text(m_shortcutState == ShortcutState::Unavailable ? 301 : 292));
    LabelCommand->setText(text(300));
    CopyCommand->setText(text(27));

    QStringList names;
    for (int p = 0; p < LanguageCatalogue::kCount; ++p)
        names.append(text(LanguageCatalogue::kFirstNameText + p));
    Combo1->clear();
    Combo1->addItems(names);
    Combo3->clear();
    Combo3->addItems(names);
    Combo2->clear();
    Combo2->addItem(text(LanguageCatalogue::kDetectLanguageText));
    // A plain entry, not a QComboBox separator: choosing it is allowed and stores 1.
    Combo2->addItem(QString::fromUtf16(LanguageCatalogue::kSeparator));
    Combo2->addItems(names);
    fitCheckBoxes();
}

void Form2::fitCheckBoxes()
{
    // Wider faces than the one the layout was drawn for would clip "Show romanization";
    // the pair on one line shares the room instead.
    Check3->resize(std::max(123, Check3->sizeHint().width()), Check3->height());
    Check4->move(std::max(158, Check3->geometry().right() + 8), Check4->y());
    Check4->resize(std::max(137, Check4->sizeHint().width()), Check4->height());
}

void Form2::Form_Load()
{
    ApplyLanguage();
    const OptionsRecord options = m_store.ReadOptionsRecord();
    Combo2->setCurrentIndex(options.sourceIndex);
    Combo3->setCurrentIndex(options.targetIndex);
    Check3->setChecked(options.showRomanization());
    Check4->setChecked(options.showDictionary());
    Combo1->setCurrentIndex(options.systemLanguage);
    Check1->setChecked(options.monitorsClipboard());
    Check2->setChecked(options.cachesTranslations());
    m_loadedCaching = options.cacheTranslations;
    KeyEdit->setKeySequence(QKeySequence::fromString(m_store.ReadTranslateSelectionKey()));
}

void Form2::SetShortcutState(ShortcutState state)
{
    m_shortcutState = state;
    KeyNote->setText(text(state == ShortcutState::Unavailable ? 301 : 292));
    // A cleared key that could not be grabbed is nobody's fault; without any way to have a key
    // the command is the only way, whatever key is stored.
    const bool note = state == ShortcutState::Unavailable ||
                      (state == ShortcutState::Taken && !KeyEdit->keySequence().isEmpty());
    KeyNote->setVisible(note);
    LabelCommand->setVisible(note);
    CommandText->setVisible(note);
    CopyCommand->setVisible(note);
    // The command row goes between the key and the buttons.
    const int buttonsY = note ? 336 : 280;
    Command1->move(Command1->x(), buttonsY);
    Command2->move(Command2->x(), buttonsY);
    setFixedSize(322, buttonsY + 32);
}

QString Form2::SelectionCommand(const QString& program)
{
    const QString name = QStringLiteral("verbalto");
    const QString onPath = QStandardPaths::findExecutable(name);
    QString word = program;
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
        word = name;
    else if (word.contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9_./+-]"))))
        word = u'\'' + word.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    return word + QStringLiteral(" --translate-selection");
}

void Form2::Command1_Click()
{
    FileSave::SaveResult saved =
        m_store.WriteOptions(Combo2->currentIndex(), Combo3->currentIndex(), checkValue(Check3),
                             checkValue(Check4), Combo1->currentIndex(), checkValue(Check1),
                             m_loadedCaching);
    if (saved)
        saved = m_store.WriteTranslateSelectionKey(
            KeyEdit->keySequence().toString(QKeySequence::PortableText));
    if (!saved) {
        // Claiming success here would lose the user's choice at the next start; the dialog
        // stays open so that nothing they set is lost.
        m_messageBox(this, QMessageBox::Warning, text(100),
                     FileCommands::NotSavedText(m_languageIndex, saved));
        return;
    }
    emit optionsSaved(m_store.ReadOptionsRecord());
    m_messageBox(this, QMessageBox::Information, text(100), text(101));
    accept();
}

void Form2::Command2_Click()
{
    reject();
}

void Form2::showMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}
