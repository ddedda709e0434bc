#include "ModAutoRun.h"

#include "FileSave.h"
#include "GetSysPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace ModAutoRun {

namespace {
// Characters that make the desktop-entry format require a quoted argument.
bool IsReserved(QChar c)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

QString EntryPath(const QString& root, const QString& subKey, const QString& valueName)
{
    return GetSysPath::JoinPath(GetSysPath::JoinPath(root, subKey),
                                valueName + QStringLiteral(".desktop"));
}

// The Exec value of the [Desktop Entry] group, still escaped, or nothing.
std::optional<QString> FindExecValue(const QString& text)
{
    bool inEntryGroup = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            inEntryGroup = trimmed == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntryGroup || trimmed.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != QLatin1String("Exec"))
            continue;
        return line.mid(eq + 1).trimmed();
    }
    return std::nullopt;
}
} // namespace

QStringList MachineRootFolders()
{
    QStringList folders;
    const QStringList dirs =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        // Relative entries are not valid there and are passed over.
        if (QDir::isAbsolutePath(dir))
            folders << dir;
    }
    if (folders.isEmpty())
        folders << QStringLiteral("/etc/xdg");
    return folders;
}

QString RunRootFolder()
{
    return MachineRootFolders().constFirst();
}

QString UserRootFolder()
{
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString RunSubKey()
{
    return QStringLiteral("autostart");
}

QString RunValueName()
{
    return QStringLiteral("Korvane-T");
}

QString ProgramPath()
{
    return GetSysPath::JoinPath(QCoreApplication::applicationDirPath(),
                                QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString AutoRunCommandLine(const QString& programPath)
{
    return programPath + QStringLiteral(" mini");
}

QString AutoRunCommandLine()
{
    return AutoRunCommandLine(ProgramPath());
}

QString QuoteExecArgument(const QString& argument)
{
    QString out;
    const bool quote =
        argument.isEmpty() || std::any_of(argument.begin(), argument.end(), IsReserved);
    for (QChar c : argument) {
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        out += c;
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
    }
    return quote ? QString(QLatin1Char('"') + out + QLatin1Char('"')) : out;
}

std::optional<QStringList> SplitExecValue(const QString& value)
{
    QStringList args;
    QString current;
    bool inArg = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < value.size()) {
                current += value.at(++i);
            } else if (c == QLatin1Char('%') && i + 1 < value.size() &&
                       value.at(i + 1) == QLatin1Char('%')) {
                current += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
            continue;
        }
        inArg = true;
        if (c == QLatin1Char('"')) {
            inQuotes = true;
        } else if (c == QLatin1Char('%') && i + 1 < value.size() &&
                   value.at(i + 1) == QLatin1Char('%')) {
            current += c;
            ++i;
        } else {
            current += c;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArg)
        args << current;
    return args;
}

QString EscapeKeyValue(const QString& value)
{
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString UnescapeKeyValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next; // not an escape: kept as written
        }
    }
    return out;
}

QByteArray DesktopEntryText(const QString& programPath)
{
    const QString exec = QuoteExecArgument(programPath) + QStringLiteral(" mini");
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Verbalto\n"
                                  "Comment=Start Verbalto in the notification area\n");
    text += QStringLiteral("Exec=") + EscapeKeyValue(exec) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    return text.toUtf8();
}

namespace {
// Deletes one entry; a missing one is no failure.
bool RemoveEntry(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    return QFile::remove(path);
}
} // namespace

bool SetAutoRun(bool bEnable, const QString& programPath)
{
    const QString folder = GetSysPath::JoinPath(UserRootFolder(), RunSubKey());
    const QString path = EntryPath(UserRootFolder(), RunSubKey(), RunValueName());
    if (!bEnable) {
        bool removed = RemoveEntry(path);
        for (const QString& root : MachineRootFolders())
            removed = RemoveEntry(EntryPath(root, RunSubKey(), RunValueName())) && removed;
        return removed;
    }
    if (!QDir().mkpath(folder))
        return false;
    // Written aside and renamed over the entry, so a failed write leaves the old one whole.
    return FileSave::SaveWhole(path, DesktopEntryText(programPath));
}

bool SetAutoRun(bool bEnable)
{
    return SetAutoRun(bEnable, ProgramPath());
}

QString ReadRegString(const QString& hRootKey, const QString& sSubKey, const QString& sValueName,
                      const QString& sDefault)
{
    QFile file(EntryPath(hRootKey, sSubKey, sValueName));
    if (!file.open(QIODevice::ReadOnly))
        return sDefault;
    // An autostart entry is a few hundred bytes; anything much larger is not ours to parse.
    const QByteArray data = file.read(64 * 1024);
    const std::optional<QString> exec = FindExecValue(QString::fromUtf8(data));
    if (!exec)
        return sDefault;
    const QString value = UnescapeKeyValue(*exec);
    const std::optional<QStringList> args = SplitExecValue(value);
    return args ? args->join(QLatin1Char(' ')) : value;
}

bool IsAutoRunChecked(const QString& programPath)
{
    const QString current = AutoRunCommandLine(programPath);
    const auto holds = [&](const QString& root) {
        return ReadRegString(root, RunSubKey(), RunValueName(), QString()) == current;
    };
    const QStringList machine = MachineRootFolders();
    return holds(UserRootFolder()) || std::any_of(machine.begin(), machine.end(), holds);
}

bool IsAutoRunChecked()
{
    return IsAutoRunChecked(ProgramPath());
}

ToggleResult menuS0_Click(bool checked, const QString& programPath)
{
    const bool stored = SetAutoRun(!checked, programPath);
    return {IsAutoRunChecked(programPath), stored};
}

ToggleResult menuS0_Click(bool checked)
{
    return menuS0_Click(checked, ProgramPath());
}

} // namespace ModAutoRun
