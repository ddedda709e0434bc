// Reads and writes through a fresh QSettings each time, so a failed write is reported by that
// write alone and several stores on one file never disagree.
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {

const QString kGroup = QStringLiteral("Setup");

QString keyPath(const QString& key)
{
    return kGroup + QLatin1Char('/') + key;
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
    QSettings settings(m_filePath, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.setValue(keyPath(key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
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
    // An unknown name falls back to the defaults whole, not to another service's address.
    if (service.name != name)
        return service;
    service.url = settings.value(QStringLiteral("Service/Url")).toString().trimmed();
    service.key = settings.value(QStringLiteral("Service/Key")).toString().trimmed();
    return service;
}

bool SettingsStore::WriteService(const ServiceSettings& service)
{
    const bool secret = !service.key.trimmed().isEmpty();
    const auto ownerOnly = [this] {
        return QFile::setPermissions(m_filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    };
    if (secret) {
        // The file is private before the key is in it, and stays so after the rewrite.
        QDir().mkpath(QFileInfo(m_filePath).absolutePath());
        QFile file(m_filePath);
        if (!file.open(QIODevice::ReadWrite) || !ownerOnly())
            return false;
    }
    QSettings settings(m_filePath, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.setValue(QStringLiteral("Service/Name"),
                      TranslationServices::Normalized(service.name));
    settings.setValue(QStringLiteral("Service/Url"), service.url.trimmed());
    settings.setValue(QStringLiteral("Service/Key"), service.key.trimmed());
    settings.sync();
    return settings.status() == QSettings::NoError && (!secret || ownerOnly());
}
