// Speaks one text and prints when it started and when its first samples went to the output
// (milliseconds since the epoch), for scripts/measure-speech.
#include "SpeechPlayer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: speech_probe CODE TEXT [VOICE_URL]\n");
        return 2;
    }
    SpeechPlayer player;
    SpeechPlayer::Choice choice;
    choice.onlineRoot = args.value(3);
    player.setChoice(choice);
    const auto stamp = [](const char* what) {
        std::printf("%s %lld\n", what, QDateTime::currentMSecsSinceEpoch());
        std::fflush(stdout);
    };
    QObject::connect(&player, &SpeechPlayer::firstSound, &app, [&] { stamp("first"); });
    QObject::connect(&player, &SpeechPlayer::finished, &app, [&] {
        stamp("end");
        app.quit();
    });
    QObject::connect(&player, &SpeechPlayer::failed, &app, [&] { app.exit(1); });
    QTimer::singleShot(0, &app, [&] {
        stamp("start");
        if (player.speak(args.at(2), args.at(1)) != SpeechPlayer::Problem::None)
            app.exit(1);
    });
    return app.exec();
}
