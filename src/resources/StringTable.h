// The interface texts in three languages, addressed by language x 1000 + text number.
#pragma once

#include <QString>
#include <optional>

namespace StringTable {

// The text with the given identifier, or nothing when the table has no such entry.
std::optional<QString> LoadResString(int id);

// Identifier of text n in interface language L ("1", "2" or "3"; anything else reads as 0).
int TextId(const QString& languageIndex, int n);

} // namespace StringTable
