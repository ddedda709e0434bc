// verbalto-cli: the translation engine on the command line; no window, no display needed.
#include "CliRun.h"

#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    QFile in;
    QFile out;
    QFile err;
    in.open(STDIN_FILENO, QIODevice::ReadOnly);
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);

    const CliRun::Streams io{in, out, err, ::isatty(STDIN_FILENO) == 1};
    return CliRun::Run(arguments, CliRun::Environment::FromProcess(), io);
}
