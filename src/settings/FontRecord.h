// The eight "|"-separated fields of the "Font" setting: the font of the text boxes.
#pragma once

#include <QString>

struct FontRecord final
{
    static inline const QString kDefault = QStringLiteral("Tahoma|400|False|12|0|False|False|0");

    QString faceName = QStringLiteral("Tahoma");
    int weight = 400; // 100-900, 400 normal, 700 bold
    bool italic = false;
    double pointSize = 12;
    int charSet = 0; // 0 ANSI, 134 Simplified Chinese, 136 Traditional Chinese ...
    bool underline = false;
    bool strikeout = false;
    quint32 colour = 0; // 0x00BBGGRR

    // The whole default record when any field is missing or unreadable: half a font is
    // worse than the one the user started with.
    static FontRecord Parse(const QString& text);
    // Booleans as "True"/"False", the size in its shortest decimal form, the colour in decimal.
    QString Format() const;

    bool operator==(const FontRecord&) const = default;
};
