// The texts of the notification-area icon: tip, balloon title and balloon greeting.
#pragma once

#include <QString>

namespace TrayTexts {

struct Record
{
    QString szTip;       // text 19
    QString szInfoTitle; // text 17
    QString szInfo;      // text 20, a blank, the version
};

// The program version as major.minor.revision, without leading zeros ("1.5.18").
QString VersionText();

// The record in interface language languageIndex, each text cut to what the icon carries
// (127, 63 and 255 characters).
Record Fill(const QString& languageIndex);

} // namespace TrayTexts
