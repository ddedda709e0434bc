#include "BBMenu.h"

BBMenu BBMenu::FromText(const QString& text, int tag)
{
    QString clean = text;
    clean.remove(QChar(0));
    clean.truncate(80);
    BBMenu item;
    item.Tag = tag;
    const qsizetype tab = clean.indexOf(QLatin1Char('\t'));
    if (tab < 0) {
        item.Caption = clean;
    } else {
        item.Caption = clean.left(tab);
        item.KeyAccel = clean.mid(tab + 1);
    }
    return item;
}
