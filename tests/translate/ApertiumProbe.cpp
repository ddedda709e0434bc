// Translates once with Apertium on this computer, says so, and waits to be killed: the test
// then looks for what it left behind.
#include "services/LocalApertium.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const LocalApertium::Outcome outcome =
        LocalApertium::Translate(QStringLiteral("eng|spa"), QStringLiteral("Good morning"), 20000);
    std::printf("%s\n", outcome.ok ? outcome.text.toUtf8().constData() : "failed");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}
