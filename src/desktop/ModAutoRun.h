// Starting the program at logon: a desktop entry in the machine-wide autostart folder.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ModAutoRun {

// Where the entry lives: <first $XDG_CONFIG_DIRS folder>/autostart/Korvane-T.desktop.
QString RunRootFolder(); // the first absolute $XDG_CONFIG_DIRS entry, else /etc/xdg
QString RunSubKey();     // "autostart"
QString RunValueName();  // "Korvane-T"

// The running program's path: its folder, "/", its executable name.
QString ProgramPath();
// The command line stored for logon: program path + " mini".
QString AutoRunCommandLine(const QString& programPath);
QString AutoRunCommandLine();

// One argument as the desktop-entry Exec key wants it: quoted when it holds a reserved
// character, with "%" doubled.
QString QuoteExecArgument(const QString& argument);
// The arguments of an Exec value (after the key file's own escapes are undone), or nothing when
// the quoting is broken.
std::optional<QStringList> SplitExecValue(const QString& value);
// Key-file string escapes: "\" "\n" "\t" "\r" are written as \\ \n \t \r; reading also takes \s.
QString EscapeKeyValue(const QString& value);
QString UnescapeKeyValue(const QString& value);

// The complete desktop entry that starts programPath with "mini".
QByteArray DesktopEntryText(const QString& programPath);

// Writes (on) or deletes (off) the entry for programPath. Deleting touches only that one file.
// Returns whether the autostart folder now says what was asked; on failure nothing is changed.
bool SetAutoRun(bool bEnable, const QString& programPath);
bool SetAutoRun(bool bEnable);

// The entry's command line with the quoting undone (arguments joined by one blank), or sDefault
// when the entry is missing, unreadable or has no Exec key.
QString ReadRegString(const QString& hRootKey, const QString& sSubKey, const QString& sValueName,
                      const QString& sDefault);

// The check mark at load: the stored command line equals the current one, case and all.
bool IsAutoRunChecked(const QString& programPath);
bool IsAutoRunChecked();

// A click on the auto-run item: the check mark toggles whatever happens; stored says whether
// the autostart folder followed, so that the caller can tell the user when it did not.
struct ToggleResult
{
    bool checked = false;
    bool stored = false;
};
ToggleResult menuS0_Click(bool checked, const QString& programPath);
ToggleResult menuS0_Click(bool checked);

} // namespace ModAutoRun
