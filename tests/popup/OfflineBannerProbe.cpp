// Writes the offline banner files into the folder given and prints how many it wrote; the
// read-only test runs it inside a private mount namespace.
#include "OfflineBanner.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    std::printf("written %d\n", OfflineBanner::WriteMissingFiles(QString::fromLocal8Bit(argv[1])));
    return 0;
}
