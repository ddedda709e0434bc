// Starting the program at logon: the user's own autostart desktop entry. An administrator's
// machine-wide entry of the same name counts as well.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ModAutoRun {

// Where the entry lives: <$XDG_CONFIG_HOME>/autostart/Korvane-T.desktop, written for the user
// who clicks (the machine-wide folders are writable only by root).
QString UserRootFolder(); // $XDG_CONFIG_HOME when absolute, else ~/.config
// The machine-wide folders: the absolute $XDG_CONFIG_DIRS entries, else /etc/xdg.
QStringList MachineRootFolders();
QString RunRootFolder(); // the first of them
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

// On: writes the user's entry for programPath. Off: deletes the user's entry and every
// machine-wide one of that name the user may delete. Deleting touches only those files.
// Returns whether everything asked was done; a failed write leaves the old entry whole.
bool SetAutoRun(bool bEnable, const QString& programPath);
bool SetAutoRun(bool bEnable);

// The entry's command line with the quoting undone (arguments joined by one blank), or sDefault
// when the entry is missing, unreadable or has no Exec key.
QString ReadRegString(const QString& hRootKey, const QString& sSubKey, const QString& sValueName,
                      const QString& sDefault);

// The check mark: the user's entry or a machine-wide one holds the current command line, case
// and all.
bool IsAutoRunChecked(const QString& programPath);
bool IsAutoRunChecked();

// A click on the auto-run item, given the mark before it: the mark then follows what was
// achieved, and stored says whether everything asked was done, so that the caller can tell the
// user when it was not (an entry that remains, a write that failed).
struct ToggleResult
{
    bool checked = false;
    bool stored = false;
};
ToggleResult menuS0_Click(bool checked, const QString& programPath);
ToggleResult menuS0_Click(bool checked);

} // namespace ModAutoRun
