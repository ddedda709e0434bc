// The 59 languages Verbalto translates between, and how the two language lists map onto them.
#pragma once

#include <QString>
#include <QStringList>

namespace LanguageCatalogue {

constexpr int kCount = 59;
// Text number of the display name of catalogue position p is kFirstNameText + p.
constexpr int kFirstNameText = 38;
constexpr int kDetectLanguageText = 99;
// The second entry of the source list; the same in every interface language.
inline constexpr char16_t kSeparator[] = u"-------------";
// Source-list index of catalogue position 0 ("Detect language" and the separator come first).
constexpr int kSourceOffset = 2;

// Code of the catalogue position, or "" for any position outside 0..58.
QString LanguageCode(int position);
// Catalogue position of a code as the service spells it, or -1.
int PositionOfCode(const QString& code);
// All 59 codes in catalogue order.
QStringList AllCodes();

bool IsRightToLeft(int position);
// Whether the service speaks this code (the empty code of automatic detection never).
bool HasSpeech(const QString& code);

// Catalogue position shown at a source-list index; -1 for "Detect language" and the separator.
int SourcePosition(int sourceIndex);

} // namespace LanguageCatalogue
