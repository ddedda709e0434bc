// Reads through a fresh QSettings each time. Writes go through QSettings on a copy beside the
// file, are read back and compared, and only then replace the file through a checked save.
#include "SettingsStore.h"

#include "FileSave.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

using FileSave::SaveResult;

namespace {

const QString kGroup = QStringLiteral("Setup");

QString keyPath(const QString& key)
{
    return kGroup + QLatin1Char('/') + key;
}

// Every value of an INI file as a fresh QSettings reads it.
QHash<QString, QVariant> readAll(const QString& path)
{
    const QSettings settings(path, QSettings::IniFormat);
    QHash<QString, QVariant> all;
    for (const QString& key : settings.allKeys())
        all.insert(key, settings.value(key));
    return all;
}

// Copies the file's bytes to a new file beside it; its path, or "" and why when that fails.
QString copyBeside(const QString& path, const QByteArray& bytes, SaveResult& why)
{
    QTemporaryFile copy(path + QStringLiteral(".XXXXXX"));
    copy.setAutoRemove(false);
    if (!copy.open()) {
        why = FileSave::WhyNotSaved(path, bytes.size(), copy.error());
        return {};
    }
    why = FileSave::Write(copy, bytes);
    if (!why) {
        // Removed by name: the file itself would try its unwritten bytes again and stay.
        const QString name = copy.fileName();
        copy.close();
        QFile::remove(name);
        return {};
    }
    return copy.fileName();
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

SaveResult SettingsStore::SaveSetting(const QString& key, const QString& value)
{
    return writeValues({{keyPath(key), value}}, false);
}

SaveResult SettingsStore::writeValues(const QList<std::pair<QString, QString>>& values,
                                      bool ownerOnly)
{
    const QFileInfo before(m_filePath);
    const QDateTime old = before.exists() ? before.lastModified() : QDateTime();
    QByteArray text;
    if (old.isValid()) {
        QFile current(m_filePath);
        if (!current.open(QIODevice::ReadOnly))
            return SaveResult::Failed; // rewriting it would lose what it holds
        text = current.readAll();
    }
    // Roughly what the new file takes, to tell a full disk from other failures.
    qint64 needed = text.size();
    for (const auto& [path, value] : values)
        needed += path.size() + value.toUtf8().size() + 2;
    if (!QDir().mkpath(before.absolutePath()))
        return FileSave::WhyNotSaved(m_filePath, needed);
    // Qt parses and writes the file, hand edits included, on a copy beside it; the copy goes in
    // place only when Qt reports no error and a fresh read finds every value. Qt's own save can
    // leave an empty file on a full disk and still report success.
    SaveResult why = SaveResult::Saved;
    const QString copy = copyBeside(m_filePath, text, why);
    if (copy.isEmpty())
        return why;
    QHash<QString, QVariant> expected = readAll(copy);
    bool ok = true;
    {
        QSettings settings(copy, QSettings::IniFormat);
        for (const auto& [path, value] : values) {
            settings.setValue(path, value);
            expected.insert(path, value);
        }
        settings.sync();
        ok = settings.status() == QSettings::NoError;
    }
    QByteArray written;
    if (ok) {
        QFile result(copy);
        ok = result.open(QIODevice::ReadOnly);
        written = result.readAll();
        ok = ok && readAll(copy) == expected;
    }
    QFile::remove(copy);
    if (!ok)
        return FileSave::WhyNotSaved(m_filePath, needed);
    // The key never reaches a file that others can read.
    const auto permissions =
        ownerOnly ? QFileDevice::ReadOwner | QFileDevice::WriteOwner : QFileDevice::Permissions();
    why = FileSave::Save(m_filePath, written, permissions);
    if (!why)
        return why;
    // QSettings keeps each file parsed and reads it again only when its size or time differs, to
    // the millisecond: a rewrite of the same size within that millisecond must still be seen.
    QFile fresh(m_filePath);
    if (old.isValid() && QFileInfo(m_filePath).lastModified() <= old &&
        fresh.open(QIODevice::ReadOnly))
        fresh.setFileTime(old.addMSecs(1), QFileDevice::FileModificationTime);
    return SaveResult::Saved;
}

QString SettingsStore::ReadOptions() const
{
    return GetSetting(kOptionsKey, OptionsRecord::kDefault);
}

OptionsRecord SettingsStore::ReadOptionsRecord() const
{
    return OptionsRecord::Parse(ReadOptions());
}

SaveResult SettingsStore::WriteOptions(int sourceIndex, int targetIndex, int romanization,
                                       int dictionary, int systemLanguage, int monitorClipboard,
                                       int cacheTranslations)
{
    return WriteOptions(OptionsRecord{sourceIndex, targetIndex, romanization, dictionary,
                                      systemLanguage, monitorClipboard, cacheTranslations});
}

SaveResult SettingsStore::WriteOptions(const OptionsRecord& record)
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

SaveResult SettingsStore::WriteService(const ServiceSettings& service)
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

QString SettingsStore::ReadTranslateSelectionKey() const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant stored = settings.value(QStringLiteral("Shortcuts/TranslateSelection"));
    return stored.isValid() ? stored.toString().trimmed() : kDefaultTranslateSelectionKey;
}

SaveResult SettingsStore::WriteTranslateSelectionKey(const QString& key)
{
    return writeValues({{QStringLiteral("Shortcuts/TranslateSelection"), key.trimmed()}}, false);
}
