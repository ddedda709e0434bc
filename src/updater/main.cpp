// Patchwell, the updater: started by Verbalto with Verbalto's file name as its argument.
#include "QtTranslation.h"
#include "frmMain.h"

#include <QApplication>
#include <QLibraryInfo>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("patchwell"));
    // Without it, message boxes in the Chinese window would answer "OK" in English.
    QtTranslation::Install(app, QLocale::system(),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    frmMain window(frmMain::DefaultSetup(QApplication::arguments().mid(1)));
    window.show();
    window.Form_Load();
    return QApplication::exec();
}
