// The seven "|"-separated integers of the "Options" setting and what each one sets.
#pragma once

#include "LanguageCatalogue.h"

#include <QString>

struct OptionsRecord final
{
    static inline const QString kDefault = QStringLiteral("0|15|1|1|15|1|1");
    static constexpr int kFieldCount = 7;
    // "Detect language", the separator line and the 59 catalogue languages.
    static constexpr int kSourceListCount =
        LanguageCatalogue::kSourceOffset + LanguageCatalogue::kCount;
    static constexpr int kTargetListCount = LanguageCatalogue::kCount;

    int sourceIndex = 0;       // position in the source list
    int targetIndex = 15;      // position in the target list (English)
    int romanization = 1;      // "Show romanization" box; -1 reads as ticked
    int dictionary = 1;        // "Show dictionary" box; -1 reads as ticked
    int systemLanguage = 15;   // catalogue position giving the host language code
    int monitorClipboard = 1;  // watch the clipboard from the next start
    int cacheTranslations = 1; // keep the last three translations

    // Every field that is missing, not a number or outside its range takes that field's
    // default, so the result always names valid list positions.
    static OptionsRecord Parse(const QString& text);
    // Plain decimal fields joined by "|"; negative numbers keep their sign.
    QString Format() const;

    bool showRomanization() const { return romanization != 0; }
    bool showDictionary() const { return dictionary != 0; }
    bool monitorsClipboard() const { return monitorClipboard != 0; }
    bool cachesTranslations() const { return cacheTranslations != 0; }

    bool operator==(const OptionsRecord&) const = default;
};
