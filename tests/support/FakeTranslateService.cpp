// A stand-in translation service for scripts: answers /translate_t with a fixed page on
// 127.0.0.1 and prints its base URL. Usage: fake-translate-service [TRANSLATION [ROMANIZATION]]
#include "ReplyPages.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString translation = args.value(1, QStringLiteral("Guten Morgen, wie geht es dir?"));
    const QString romanization = args.value(2, QString());
    TestHttpServer server;
    server.setReply("/translate_t",
                    CannedReply::ok(ReplyPages::PageUtf8(
                        {translation}, romanization.isEmpty() ? QString() : romanization,
                        QStringLiteral("interjection<div><div>good morning</div><div>morning</div></div></li>"
                                       "<li>noun<div><div>Morgen</div><div>Vormittag</div></div>"))));
    std::printf("%s\n", qPrintable(server.baseUrl()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
