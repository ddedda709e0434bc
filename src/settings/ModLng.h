// The interface language: which of the three text blocks is shown, and text lookup in it.
#pragma once

#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <optional>

class SettingsStore;
struct OptionsRecord;

namespace ModLng {

inline const QString kEnglish = QStringLiteral("1");
inline const QString kSimplifiedChinese = QStringLiteral("2");
inline const QString kTraditionalChinese = QStringLiteral("3");

// "3" for Chinese (Taiwan), "2" for Chinese (China), "1" for every other locale.
QString ChooseDefaultLanguage(const QLocale& locale);

// The stored "Language" value: "2" when missing, the locale's choice when stored empty.
// A value other than 1, 2 or 3 would leave every caption blank, so it reads as missing.
// Nothing is written back.
QString ReadLanguageIndex(const SettingsStore& store, const QLocale& locale = QLocale::system());

// The service code of the options' system language: the "hl" of every request.
QString HostLanguageCode(const OptionsRecord& options);

// The text of number n in the given interface language, or nothing when the table lacks it.
std::optional<QString> Text(const QString& languageIndex, int n);

// Installs Qt's own translations (standard buttons and dialogs) for the interface language in
// place of those of the previous one; the application owns them. False when the language needs
// a file that `folder` lacks: Qt's texts then stay English.
bool LoadQtTranslations(const QString& languageIndex,
                        const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

} // namespace ModLng
