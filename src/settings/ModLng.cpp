#include "ModLng.h"

#include "LanguageCatalogue.h"
#include "OptionsRecord.h"
#include "SettingsStore.h"
#include "StringTable.h"

#include <QCoreApplication>
#include <QTranslator>

namespace ModLng {

QString ChooseDefaultLanguage(const QLocale& locale)
{
    if (locale.language() != QLocale::Chinese)
        return kEnglish;
    if (locale.script() == QLocale::TraditionalHanScript)
        return kTraditionalChinese;
    switch (locale.territory()) {
    case QLocale::Taiwan:
    case QLocale::HongKong:
    case QLocale::Macau:
        return kTraditionalChinese;
    default:
        return kSimplifiedChinese;
    }
}

QString ReadLanguageIndex(const SettingsStore& store, const QLocale& locale)
{
    // No installer writes the key here: a first start follows the desktop's language.
    const std::optional<QString> stored = store.value(SettingsStore::kLanguageKey);
    if (!stored)
        return ChooseDefaultLanguage(locale);
    const QString value = stored->trimmed();
    if (value.isEmpty())
        return ChooseDefaultLanguage(locale);
    if (value == kEnglish || value == kSimplifiedChinese || value == kTraditionalChinese)
        return value;
    return kSimplifiedChinese;
}

QString HostLanguageCode(const OptionsRecord& options)
{
    return LanguageCatalogue::LanguageCode(options.systemLanguage);
}

std::optional<QString> Text(const QString& languageIndex, int n)
{
    return StringTable::LoadResString(StringTable::TextId(languageIndex, n));
}

bool LoadQtTranslations(const QString& languageIndex, const QString& folder)
{
    static const QString kName = QStringLiteral("VerbaltoQtTranslations");
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    for (QTranslator* previous :
         app->findChildren<QTranslator*>(kName, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(previous);
        delete previous;
    }
    QString file;
    if (languageIndex == kSimplifiedChinese)
        file = QStringLiteral("qtbase_zh_CN");
    else if (languageIndex == kTraditionalChinese)
        file = QStringLiteral("qtbase_zh_TW");
    else
        return true;
    auto* translator = new QTranslator(app);
    translator->setObjectName(kName);
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace ModLng
