// The File menu's Open and Save Results commands, short of the main window's own boxes.
#pragma once

#include "FileSave.h"
#include "cOpenSaveDialog.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QWidget;

namespace FileCommands {

// Stand-ins for the parts that need a person or a desktop; empty members use the real ones.
struct Hooks
{
    cOpenSaveDialog::Chooser choose;       // the file dialog
    std::function<bool(const QUrl&)> open; // QDesktopServices::openUrl
    std::function<void(QWidget* owner, const QString& title, const QString& text)>
        warn; // a warning QMessageBox
};

struct OpenOutcome
{
    QString SourceFile;          // the chosen path; empty when cancelled
    std::optional<QString> text; // for SourceBox, then translate; none when blank or unreadable
};

// Open...: asks for a text file and reads it with its encoding detected.
OpenOutcome OpenTextFile(QWidget* owner, const QString& languageIndex, const Hooks& hooks = {});

enum class SaveOutcome { Cancelled, Saved, Failed };

// Save Results: asks for a file name, writes the results file and opens it with the default
// program; a failed write is reported to the user (NotSavedText, title 100).
SaveOutcome SaveResults(QWidget* owner, const QString& languageIndex, const QString& original,
                        const QString& translation, const QString& romanization,
                        const QString& dictionary,
                        const QDateTime& now = QDateTime::currentDateTime(),
                        const QLocale& locale = QLocale::system(), const Hooks& hooks = {});

// What the user is told of a failed save: the disk is full (text 320), the file or its folder
// is read-only (321), or that it failed (117).
QString NotSavedText(const QString& languageIndex, FileSave::SaveResult why);

// Interface text n in the given interface language ("" when the table has none).
QString Text(const QString& languageIndex, int n);

} // namespace FileCommands
