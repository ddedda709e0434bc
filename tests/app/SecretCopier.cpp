// Copies a text the way a password manager does: marked with x-kde-passwordManagerHint "secret".
// Holds the clipboard until another program takes it over or it is ended.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    auto* data = new QMimeData;
    data->setText(app.arguments().at(1));
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
        if (!clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    std::puts("copied");
    std::fflush(stdout);
    return QGuiApplication::exec();
}
