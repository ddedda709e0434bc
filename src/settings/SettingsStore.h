// The per-user settings file: three string values under group "Setup", and the chosen
// translation service under group "Service".
#pragma once

#include "FileSave.h"
#include "OptionsRecord.h"
#include "TranslationService.h"

#include <QList>
#include <QString>
#include <optional>
#include <utility>

class SettingsStore final
{
  public:
    static inline const QString kLanguageKey = QStringLiteral("Language");
    static inline const QString kOptionsKey = QStringLiteral("Options");
    static inline const QString kFontKey = QStringLiteral("Font");

    // The program's own file; tests and other callers pass any INI path they like.
    explicit SettingsStore(const QString& filePath = DefaultPath());

    // $XDG_CONFIG_HOME/Verbalto/Verbalto.ini (the file QSettings itself would pick).
    static QString DefaultPath();

    const QString& filePath() const { return m_filePath; }

    // Nothing when the key is missing; an empty string when it is stored empty.
    std::optional<QString> value(const QString& key) const;
    QString GetSetting(const QString& key, const QString& fallback) const;
    // Saved, or why the file could not be written (and is as it was); the caller decides what
    // the user hears.
    FileSave::SaveResult SaveSetting(const QString& key, const QString& value);

    // The stored "Options" string, or the default one; a missing value is not written back.
    QString ReadOptions() const;
    OptionsRecord ReadOptionsRecord() const;
    FileSave::SaveResult WriteOptions(int sourceIndex, int targetIndex, int romanization,
                                      int dictionary, int systemLanguage, int monitorClipboard,
                                      int cacheTranslations);
    FileSave::SaveResult WriteOptions(const OptionsRecord& record);

    // [Service] Name, Url, Key, Fallback; a missing or unknown name gives "google-web" and the
    // defaults.
    ServiceSettings ReadService() const;
    // Once a key is stored the file is readable by its owner only.
    FileSave::SaveResult WriteService(const ServiceSettings& service);

    // Ctrl+Alt+Z: absent from the default key bindings of GNOME (mutter and
    // gnome-settings-daemon), KDE Plasma (kwin, plasmashell), XFCE (xfwm4 and
    // xfce4-keyboard-shortcuts) and Cinnamon (muffin and cinnamon-settings-daemon) as their
    // shipped defaults list them (reviewed on paper, not on each live desktop), while
    // Ctrl+Alt+T (terminals), Ctrl+Alt+D (XFCE: show desktop), Ctrl+Alt+L (lock) and
    // Ctrl+Alt+arrows (workspaces) are taken.
    static inline const QString kDefaultTranslateSelectionKey = QStringLiteral("Ctrl+Alt+Z");
    // [Shortcuts] TranslateSelection, as portable key text: the default key when never set, ""
    // when the user cleared it.
    QString ReadTranslateSelectionKey() const;
    FileSave::SaveResult WriteTranslateSelectionKey(const QString& key);

  private:
    // "Group/Key" values; with ownerOnly the file is readable by its owner only.
    FileSave::SaveResult writeValues(const QList<std::pair<QString, QString>>& values,
                                     bool ownerOnly);

    QString m_filePath;
};
