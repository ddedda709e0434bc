#include "LanguageCatalogue.h"

#include <array>
#include <string_view>

namespace LanguageCatalogue {
namespace {

constexpr std::array<std::string_view, kCount> kCodes = {
    "af", "sq", "ar", "hy", "az", "eu", "be", "bg", "ca", "zh-CN", "zh-TW", "hr", "cs", "da", "nl",
    "en", "et", "tl", "fi", "fr", "gl", "ka", "de", "el", "ht",    "iw",    "hi", "hu", "is", "id",
    "ga", "it", "ja", "ko", "la", "lv", "lt", "mk", "ms", "mt",    "no",    "fa", "pl", "pt", "ro",
    "ru", "sr", "sk", "sl", "es", "sw", "sv", "th", "tr", "uk",    "ur",    "vi", "cy", "yi"};

constexpr std::array<int, 6> kRightToLeft = {2, 21, 25, 41, 55, 58};

constexpr std::array<std::string_view, 40> kSpeech = {
    "af", "sq", "ar", "hy", "ca", "zh-CN", "zh-TW", "hr", "cs", "da", "nl", "en", "fi", "fr",
    "de", "el", "ht", "hi", "hu", "is",    "id",    "it", "ja", "ko", "la", "lv", "mk", "no",
    "pl", "pt", "ro", "ru", "sr", "sk",    "es",    "sw", "sv", "tr", "vi", "cy"};

} // namespace

QString LanguageCode(int position)
{
    if (position < 0 || position >= kCount)
        return {};
    const auto code = kCodes[std::size_t(position)];
    return QString::fromLatin1(code.data(), qsizetype(code.size()));
}

int PositionOfCode(const QString& code)
{
    for (int p = 0; p < kCount; ++p) {
        if (code ==
            QLatin1String(kCodes[std::size_t(p)].data(), qsizetype(kCodes[std::size_t(p)].size())))
            return p;
    }
    return -1;
}

QStringList AllCodes()
{
    QStringList codes;
    for (int p = 0; p < kCount; ++p)
        codes.append(LanguageCode(p));
    return codes;
}

bool IsRightToLeft(int position)
{
    for (int p : kRightToLeft) {
        if (p == position)
            return true;
    }
    return false;
}

bool HasSpeech(const QString& code)
{
    for (auto c : kSpeech) {
        if (code == QLatin1String(c.data(), qsizetype(c.size())))
            return true;
    }
    return false;
}

int SourcePosition(int sourceIndex)
{
    return sourceIndex >= kSourceOffset ? sourceIndex - kSourceOffset : -1;
}

} // namespace LanguageCatalogue
