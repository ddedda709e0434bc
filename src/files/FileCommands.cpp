// Dialog errors other than a cancel are shown to the user here, so none escapes into a slot.
#include "FileCommands.h"

#include "ModUniTxt.h"
#include "ResultsFile.h"
#include "StringTable.h"

#include <QDesktopServices>
#include <QMessageBox>

namespace FileCommands {

namespace {

const QString OpenFilter =
    QStringLiteral("Text (*.TXT;*.ini;*.inf;*.log)|*.TXT;*.ini;*.inf;*.log|All (*.*)|*.*");
const QString SaveFilter = QStringLiteral("Save as text file (*.TXT)|*.TXT");

void warn(const Hooks& hooks, QWidget* owner, const QString& languageIndex, const QString& text)
{
    const QString title = Text(languageIndex, 100);
    if (hooks.warn)
        hooks.warn(owner, title, text);
    else
        QMessageBox::warning(owner, title, text);
}

} // namespace

QString Text(const QString& languageIndex, int n)
{
    return StringTable::LoadResString(StringTable::TextId(languageIndex, n)).value_or(QString());
}

QString NotSavedText(const QString& languageIndex, FileSave::SaveResult why)
{
    switch (why.reason) {
    case FileSave::SaveResult::DiskFull:
        return Text(languageIndex, 320);
    case FileSave::SaveResult::ReadOnly:
        return Text(languageIndex, 321);
    default:
        return Text(languageIndex, 117);
    }
}

OpenOutcome OpenTextFile(QWidget* owner, const QString& languageIndex, const Hooks& hooks)
{
    OpenOutcome outcome;
    cOpenSaveDialog dialog(hooks.choose);
    dialog.setCancelError(false);
    dialog.setFilter(OpenFilter);
    dialog.setFlags(cOpenSaveDialog::OFN_FILEMUSTEXIST);
    dialog.setDialogTitle(Text(languageIndex, 3));
    try {
        dialog.ShowOpen(owner);
    } catch (const cOpenSaveDialog::Error& e) {
        warn(hooks, owner, languageIndex, e.Description());
        return outcome;
    }
    outcome.SourceFile = dialog.FileName();
    if (outcome.SourceFile.isEmpty())
        return outcome;
    ModUniTxt::TextFormat format = ModUniTxt::Detect;
    const QString text = ModUniTxt::ReadUniText(outcome.SourceFile, format);
    if (ResultsFile::IsNotBlank(text))
        outcome.text = text;
    return outcome;
}

SaveOutcome SaveResults(QWidget* owner, const QString& languageIndex, const QString& original,
                        const QString& translation, const QString& romanization,
                        const QString& dictionary, const QDateTime& now, const QLocale& locale,
                        const Hooks& hooks)
{
    cOpenSaveDialog dialog(hooks.choose);
    dialog.setCancelError(false);
    dialog.setFilter(SaveFilter);
    dialog.setDefaultExt(QStringLiteral("txt"));
    dialog.setDialogTitle(Text(languageIndex, 4));
    try {
        dialog.ShowSave(owner);
    } catch (const cOpenSaveDialog::Error& e) {
        warn(hooks, owner, languageIndex, e.Description());
        return SaveOutcome::Failed;
    }
    const QString path = dialog.FileName();
    if (path.isEmpty())
        return SaveOutcome::Cancelled;

    const QString text =
        ResultsFile::BuildResultsText(original, translation, romanization, dictionary, now, locale);
    if (const FileSave::SaveResult saved = ResultsFile::WriteResultsFile(path, text); !saved) {
        warn(hooks, owner, languageIndex, NotSavedText(languageIndex, saved));
        return SaveOutcome::Failed;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    if (hooks.open)
        hooks.open(url);
    else
        QDesktopServices::openUrl(url);
    return SaveOutcome::Saved;
}

} // namespace FileCommands
