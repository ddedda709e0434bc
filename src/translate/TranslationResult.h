// One translation as shown and as kept in the history.
#pragma once

#include <QString>

struct TranslationResult
{
    QString sourceText;
    QString translation;
    QString romanization;
    QString dictionary;

    bool operator==(const TranslationResult&) const = default;
};
