// Parses the compiled-in table once, on the first lookup.
#include "StringTable.h"

#include <QFile>
#include <QHash>

namespace StringTable {
namespace {

QHash<int, QString> parseTable()
{
    QHash<int, QString> table;
    QFile file(QStringLiteral(":/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString all = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(all).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            table.insert(id, line.mid(tab + 1).toString());
    }
    return table;
}

const QHash<int, QString>& table()
{
    static const QHash<int, QString> t = parseTable();
    return t;
}

} // namespace

std::optional<QString> LoadResString(int id)
{
    const auto& t = table();
    const auto it = t.constFind(id);
    if (it == t.constEnd())
        return std::nullopt;
    return *it;
}

int TextId(const QString& languageIndex, int n)
{
    return languageIndex.toInt() * 1000 + n;
}

} // namespace StringTable
