// Writes a results file to the path given; exit status 0 when written, 1 when not.
#include "ResultsFile.h"

#include <QCoreApplication>
#include <QTimeZone>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return 2;
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc());
    const QString text =
        ResultsFile::BuildResultsText(QStringLiteral("new original"), QStringLiteral("new"), {}, {},
                                      when, QLocale(QLocale::English, QLocale::UnitedStates));
    return ResultsFile::WriteResultsFile(args.at(1), text) ? 0 : 1;
}
