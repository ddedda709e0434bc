// The update list on the vendor's server: "version|number|download URL|release notes[|...]".
#pragma once

#include <QString>
#include <optional>

struct UpdateList final
{
    QString version;     // field 1, the newest release
    QString number;      // field 2, unused
    QString downloadUrl; // field 3
    QString notes;       // field 4, may span lines

    // A text with fewer than four fields, or whose version is not numeric, is no list.
    static std::optional<UpdateList> Parse(const QString& text);

    // The update check's decision: the list parses and announces a later version than current.
    static bool OffersUpdate(const QString& text, const QString& currentVersion);
};
