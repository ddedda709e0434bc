#include "ModNetOnline.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::puts(ModNetOnline::IsOnline() ? "online" : "offline");
    return 0;
}
