// Qt's own texts (the buttons of message boxes) in the characters of Patchwell's window.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace QtTranslation {

// The Qt translation that suits locale: qtbase_zh_TW for Chinese in traditional characters
// (Taiwan, Hong Kong, Macau), else qtbase_zh_CN: Patchwell's texts are Simplified Chinese
// whatever the desktop's language.
QString FileFor(const QLocale& locale);

// Installs that translation from folder into app; false when there is none to install.
bool Install(QCoreApplication& app, const QLocale& locale, const QString& folder);

} // namespace QtTranslation
