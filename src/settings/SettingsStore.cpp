// Reads and writes through a fresh QSettings each time, so a failed write is reported by that
// write alone and several stores on one file never disagree.
#include "SettingsStore.h"

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
