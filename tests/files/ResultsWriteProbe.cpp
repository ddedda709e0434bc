// Writes a file to the path given; exit status 0 when written, 1 when not.
//   results_write_probe PATH [N]       a results file (with N letters as its original)
//   results_write_probe --append PATH N  N letters appended as UTF-8 text
//   results_write_probe --bytes PATH N   N bytes through the checked save
#include "FileSave.h"
#include "ModUniTxt.h"
#include "ResultsFile.h"

#include <QCoreApplication>
#include <QTimeZone>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == u"--append") {
        ModUniTxt::TextFormat format = ModUniTxt::Utf8;
        return ModUniTxt::WriteUniText(args.at(2), QString(args.at(3).toInt(), u'a'), true, format,
                                       ModUniTxt::Utf8)
                   ? 0
                   : 1;
    }
    if (args.size() == 4 && args.at(1) == u"--bytes")
        return FileSave::SaveWhole(args.at(2), QByteArray(args.at(3).toInt(), 'b')) ? 0 : 1;
    if (args.size() != 2 && args.size() != 3)
        return 2;
    const QString original =
        args.size() == 3 ? QString(args.at(2).toInt(), u'o') : QStringLiteral("new original");
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc());
    const QString text =
        ResultsFile::BuildResultsText(original, QStringLiteral("new"), {}, {}, when,
                                      QLocale(QLocale::English, QLocale::UnitedStates));
    return ResultsFile::WriteResultsFile(args.at(1), text) ? 0 : 1;
}
