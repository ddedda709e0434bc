// One drawn menu item: its caption, its shortcut text and its icon number.
#pragma once

#include <QString>

class BBMenu final
{
  public:
    // Splits a menu text at its first tab: the caption before it, the shortcut text after it.
    // NUL characters are dropped and the text is cut to 80 characters first.
    static BBMenu FromText(const QString& text, int tag = 0);

    QString Caption;
    QString KeyAccel;
    int Tag = 0; // 1-10: the menu icon shown beside the item; 0: none
};
