// Verbalto's entry point. Until the main window lands it shows the language catalogue.
#include "IcoMod.h"
#include "LanguageCatalogue.h"
#include "StringTable.h"

#include <QApplication>
#include <QListWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Verbalto"));
    QApplication::setOrganizationName(QStringLiteral("Verbalto"));
    QApplication::setApplicationVersion(QStringLiteral(VERBALTO_VERSION));

    QListWidget list;
    list.setWindowTitle(StringTable::LoadResString(1017).value_or(QString()));
    for (int p = 0; p < LanguageCatalogue::kCount; ++p) {
        const QString name =
            StringTable::LoadResString(1000 + LanguageCatalogue::kFirstNameText + p).value_or(QString());
        list.addItem(name + QStringLiteral("  (") + LanguageCatalogue::LanguageCode(p) + u')');
    }
    IcoMod::SetWindowIcons(&list, QStringLiteral("IDR_MAINFRAME"), true);
    list.resize(320, 480);
    list.show();
    return QApplication::exec();
}
