// A small program that shows the banner and the daily-sentence popup as the main window would,
// for screenshots and for measuring memory: popup_demo [--timer3 MS] [--grab PNG --grab-after MS]
// [--quit-after MS] [--second]. The vendor is VERBALTO_VENDOR_URL.
#include "FormMsg.h"
#include "GetRemoteText.h"
#include "HtmlView.h"
#include "Promotions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption timer3({QStringLiteral("timer3")}, QStringLiteral("tick ms"),
                                    QStringLiteral("ms"), QStringLiteral("15000"));
    const QCommandLineOption grab({QStringLiteral("grab")}, QStringLiteral("screenshot file"),
                                  QStringLiteral("png"));
    const QCommandLineOption grabAfter({QStringLiteral("grab-after")}, QStringLiteral("delay"),
                                       QStringLiteral("ms"), QStringLiteral("2000"));
    const QCommandLineOption quitAfter({QStringLiteral("quit-after")}, QStringLiteral("delay"),
                                       QStringLiteral("ms"));
    const QCommandLineOption second({QStringLiteral("second")},
                                    QStringLiteral("a second, round, click-to-close popup"));
    parser.addOptions({timer3, grab, grabAfter, quitAfter, second});
    parser.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Verbalto"));
    window.resize(624, 420);
    auto* banner = new HtmlView(&window);
    banner->setGeometry(2, 0, 620, 60);
    auto* below = new QLabel(QStringLiteral("Text boxes go here"), &window);
    below->setGeometry(2, 61, 620, 300);
    below->setAlignment(Qt::AlignCenter);
    window.show();

    Promotions::Config config;
    config.getRemoteText = [](const QUrl& url) { return GetRemoteText(url, false); };
    config.timer3Ms = parser.value(timer3).toInt();
    Promotions promotions(banner, config);
    promotions.ShowOfflineBanner();
    promotions.ShowDailySentence();
    promotions.StartTimer3();
    if (parser.isSet(second)) {
        auto* other = new FormMsg;
        other->DisplayMessage(QStringLiteral("Translation copied"), 0, false, false, false,
                              30 | (178 << 8) | (239 << 16), false);
    }

    if (parser.isSet(grab)) {
        QTimer::singleShot(parser.value(grabAfter).toInt(), &window,
                           [&] { window.screen()->grabWindow(0).save(parser.value(grab)); });
    }
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, &QApplication::quit);
    return app.exec();
}
