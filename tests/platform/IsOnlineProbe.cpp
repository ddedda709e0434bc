#include "ModNetOnline.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::puts(ModNetOnline::IsOnline() ? "online" : "offline");
    QFile maps(QStringLiteral("/proc/self/maps"));
    const bool gio = maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libgio-2.0");
    std::puts(gio ? "gio loaded" : "no gio");
    return 0;
}
