// Reads through a fresh QSettings each time. Writes edit the INI text ourselves and replace the
// file through a checked save beside it: QSettings' own sync can rename an empty file over the
// settings when the disk fills, and still report success.
#include "SettingsStore.h"

#include "FileSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cctype>

namespace {

const QString kGroup = QStringLiteral("Setup");

QString keyPath(const QString& key)
{
    return kGroup + QLatin1Char('/') + key;
}

// A value as QSettings reads it back as this very string.
QByteArray iniValue(const QString& value)
{
    // A leading '@' marks Qt's typed values; doubled, it stays text.
    const QByteArray utf8 = (value.startsWith(QLatin1Char('@')) ? u'@' + value : value).toUtf8();
    QByteArray out;
    bool quote = utf8.startsWith(' ') || utf8.endsWith(' ');
    bool afterHex = false; // "\x" takes every hex digit that follows it
    for (const char c : utf8) {
        const auto u = static_cast<uchar>(c);
        quote = quote || c == ';' || c == ',' || c == '=';
        if (u < 0x20 || u == 0x7f || (afterHex && std::isxdigit(u))) {
            out += "\\x" + QByteArray::number(u, 16);
            afterHex = true;
            continue;
        }
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
        afterHex = false;
    }
    return quote ? '"' + out + '"' : out;
}

bool continues(const QByteArray& line)
{
    qsizetype slashes = 0;
    for (qsizetype i = line.size() - 1; i >= 0 && line.at(i) == '\\'; --i)
        ++slashes;
    return slashes % 2 == 1;
}

// Sets "Group/Key" values in INI text and leaves every other line as it was (comments, order,
// groups we do not know), so a hand-edited file changes only where asked.
QByteArray withValues(const QByteArray& text, const QList<std::pair<QString, QString>>& values)
{
    QList<QByteArray> lines; // logical lines: a backslash before the break continues one
    for (const QByteArray& raw : text.split('\n')) {
        if (!lines.isEmpty() && continues(lines.last()))
            lines.last() += '\n' + raw;
        else
            lines.append(raw);
    }
    if (lines.last().isEmpty())
        lines.removeLast();
    for (const auto& [path, value] : values) {
        const QByteArray group = path.section(QLatin1Char('/'), 0, 0).toUtf8();
        const QByteArray key = path.section(QLatin1Char('/'), 1).toUtf8();
        QByteArray current;
        qsizetype lastInGroup = -1;
        bool set = false;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray t = lines.at(i).trimmed();
            if (t.startsWith('[')) {
                current = t.mid(1, t.indexOf(']') - 1).trimmed();
                if (current == group)
                    lastInGroup = i;
                continue;
            }
            if (current != group || t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
                continue;
            lastInGroup = i;
            if (!t.contains('=') || t.left(t.indexOf('=')).trimmed() != key)
                continue;
            if (set) // a later duplicate would win when read back
                lines.removeAt(i--);
            else
                lines[i] = key + '=' + iniValue(value);
            set = true;
        }
        if (set)
            continue;
        if (lastInGroup >= 0) {
            lines.insert(lastInGroup + 1, key + '=' + iniValue(value));
            continue;
        }
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines << '[' + group + ']' << key + '=' + iniValue(value);
    }
    return lines.join('\n') + '\n';
}

} // namespace

SettingsStore::SettingsStore(const QString& filePath) : m_filePath(filePath) {}

QString SettingsStore::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Verbalto/Verbalto.ini");
}

std::optional<QString> SettingsStore::value(const QString& key) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant stored = settings.value(keyPath(key));
    if (!stored.isValid())
        return std::nullopt;
    // An unquoted comma in a hand-edited file makes QSettings split the value into a list.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(QLatin1Char(','));
    return stored.toString();
}

QString SettingsStore::GetSetting(const QString& key, const QString& fallback) const
{
    return value(key).value_or(fallback);
}

bool SettingsStore::SaveSetting(const QString& key, const QString& value)
{
    return writeValues({{keyPath(key), value}}, false);
}

bool SettingsStore::writeValues(const QList<std::pair<QString, QString>>& values, bool ownerOnly)
{
    const QFileInfo before(m_filePath);
    const QDateTime old = before.exists() ? before.lastModified() : QDateTime();
    QByteArray text;
    if (old.isValid()) {
        QFile current(m_filePath);
        if (!current.open(QIODevice::ReadOnly))
            return false; // rewriting it would lose what it holds
        text = current.readAll();
    }
    if (!QDir().mkpath(before.absolutePath()))
        return false;
    QSaveFile file(m_filePath); // keeps the old file's mode
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The key never reaches a file that others can read.
    if (ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return false;
    }
    if (!FileSave::Commit(file, withValues(text, values)))
        return false;
    // QSettings keeps each file parsed and reads it again only when its size or time differs, to
    // the millisecond: a rewrite of the same size within that millisecond must still be seen.
    QFile fresh(m_filePath);
    if (old.isValid() && QFileInfo(m_filePath).lastModified() <= old &&
        fresh.open(QIODevice::ReadOnly))
        fresh.setFileTime(old.addMSecs(1), QFileDevice::FileModificationTime);
    return true;
}

QString SettingsStore::ReadOptions() const
{
    return GetSetting(kOptionsKey, OptionsRecord::kDefault);
}

OptionsRecord SettingsStore::ReadOptionsRecord() const
{
    return OptionsRecord::Parse(ReadOptions());
}

bool SettingsStore::WriteOptions(int sourceIndex, int targetIndex, int romanization, int dictionary,
                                 int systemLanguage, int monitorClipboard, int cacheTranslations)
{
    return WriteOptions(OptionsRecord{sourceIndex, targetIndex, romanization, dictionary,
                                      systemLanguage, monitorClipboard, cacheTranslations});
}

bool SettingsStore::WriteOptions(const OptionsRecord& record)
{
    return SaveSetting(kOptionsKey, record.Format());
}

ServiceSettings SettingsStore::ReadService() const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    ServiceSettings service;
    const QString name = settings.value(QStringLiteral("Service/Name")).toString().trimmed();
    service.name = TranslationServices::Normalized(name);
    // Anything but "false" keeps the fallback on, as it is by default.
    service.fallback = settings.value(QStringLiteral("Service/Fallback")).toString().trimmed() !=
                       QLatin1String("false");
    service.localVoice =
        settings.value(QStringLiteral("Service/LocalVoice")).toString().trimmed() ==
        QLatin1String("true");
    // An unknown name falls back to the defaults whole, not to another service's address.
    if (service.name != name)
        return service;
    service.url = settings.value(QStringLiteral("Service/Url")).toString().trimmed();
    service.key = settings.value(QStringLiteral("Service/Key")).toString().trimmed();
    return service;
}

bool SettingsStore::WriteService(const ServiceSettings& service)
{
    return writeValues(
        {{QStringLiteral("Service/Name"), TranslationServices::Normalized(service.name)},
         {QStringLiteral("Service/Url"), service.url.trimmed()},
         {QStringLiteral("Service/Key"), service.key.trimmed()},
         {QStringLiteral("Service/Fallback"),
          service.fallback ? QStringLiteral("true") : QStringLiteral("false")},
         {QStringLiteral("Service/LocalVoice"),
          service.localVoice ? QStringLiteral("true") : QStringLiteral("false")}},
        !service.key.trimmed().isEmpty());
}
