#include "UpdateVersion.h"

namespace UpdateVersion {
namespace {

int compareComponent(const QString& a, const QString& b)
{
    // Both are digit strings without leading zeros: the longer is larger.
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

QString CurrentVersion()
{
    return QStringLiteral(VERBALTO_VERSION);
}

std::optional<QStringList> ParseVersion(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QStringList components;
    for (const QString& part : trimmed.split(QLatin1Char('.'))) {
        if (part.isEmpty())
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        qsizetype first = 0;
        while (first < part.size() - 1 && part[first] == QLatin1Char('0'))
            ++first;
        components << part.mid(first);
    }
    return components;
}

int CompareVersions(const QStringList& a, const QStringList& b)
{
    const qsizetype n = std::max(a.size(), b.size());
    const QString zero = QStringLiteral("0");
    for (qsizetype i = 0; i < n; ++i) {
        const int c = compareComponent(i < a.size() ? a[i] : zero, i < b.size() ? b[i] : zero);
        if (c != 0)
            return c;
    }
    return 0;
}

bool IsNewer(const QString& announced, const QString& current)
{
    const std::optional<QStringList> a = ParseVersion(announced);
    const std::optional<QStringList> c = ParseVersion(current);
    return a && c && CompareVersions(*a, *c) > 0;
}

} // namespace UpdateVersion
