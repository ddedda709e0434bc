#include "QtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace QtTranslation {

QString FileFor(const QLocale& locale)
{
    // Patchwell's own texts are Simplified Chinese on every desktop; its buttons match them.
    if (locale.language() != QLocale::Chinese)
        return QStringLiteral("qtbase_zh_CN");
    const bool traditional =
        locale.script() == QLocale::TraditionalChineseScript ||
        (locale.script() == QLocale::AnyScript &&
         (locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ||
          locale.territory() == QLocale::Macao));
    return traditional ? QStringLiteral("qtbase_zh_TW") : QStringLiteral("qtbase_zh_CN");
}

bool Install(QCoreApplication& app, const QLocale& locale, const QString& folder)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(FileFor(locale), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace QtTranslation
