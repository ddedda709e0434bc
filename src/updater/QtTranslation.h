// Qt's own texts (the buttons of message boxes) in the language of the user's desktop.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace QtTranslation {

// The Qt translation that suits locale: qtbase_zh_TW for Chinese in traditional characters
// (Taiwan, Hong Kong, Macau), qtbase_zh_CN for the rest of Chinese, else qtbase_ and the
// locale's name (the loader drops the territory when only the language has a file).
QString FileFor(const QLocale& locale);

// Installs that translation from folder into app; false when there is none to install.
bool Install(QCoreApplication& app, const QLocale& locale, const QString& folder);

} // namespace QtTranslation
