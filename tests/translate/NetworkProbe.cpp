// Fetches one address through the transport the window uses and prints what came back: "ok
// STATUS" or "error WHY". Copied alone into a folder, it shows what a missing module does.
#include "HttpTransport.h"

#include <QCoreApplication>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const HttpResult result = HttpTransport::Get(QUrl(QString::fromLocal8Bit(argv[1])), false);
    if (result.ok)
        std::printf("ok %d\n", result.status);
    else
        std::printf("error %s\n", qPrintable(result.error));
    return result.ok ? 0 : 1;
}
