// Patchwell, the updater: started by Verbalto with Verbalto's file name as its argument.
#include "frmMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("patchwell"));
    frmMain window(frmMain::DefaultSetup(QApplication::arguments().mid(1)));
    window.show();
    window.Form_Load();
    return QApplication::exec();
}
