// Indexes the compiled-in table once, on the first lookup; each text is made when asked for.
#include "StringTable.h"

#include "ResourceBytes.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>

namespace StringTable {
namespace {

struct Entry
{
    int id;
    qsizetype offset; // of the text in the table's bytes
    qsizetype length;
};

// The table's bytes where the program holds them, and where each text lies in them: the three
// languages are not kept a second time as text all day.
struct Table
{
    QByteArray bytes;
    QList<Entry> entries; // by identifier; of two with one identifier, the later counts
};

Table readTable()
{
    Table table;
    table.bytes = ResourceBytes(QStringLiteral(":/strings.tsv"));
    for (qsizetype start = 0; start < table.bytes.size();) {
        qsizetype end = table.bytes.indexOf('\n', start);
        if (end < 0)
            end = table.bytes.size();
        const QByteArrayView line = QByteArrayView(table.bytes).sliced(start, end - start);
        const qsizetype tab = line.indexOf('\t');
        if (!line.startsWith('#') && tab > 0) {
            bool ok = false;
            const int id = line.first(tab).toInt(&ok);
            if (ok)
                table.entries.append({id, start + tab + 1, line.size() - tab - 1});
        }
        start = end + 1;
    }
    std::stable_sort(table.entries.begin(), table.entries.end(),
                     [](const Entry& a, const Entry& b) { return a.id < b.id; });
    return table;
}

const Table& table()
{
    static const Table t = readTable();
    return t;
}

} // namespace

std::optional<QString> LoadResString(int id)
{
    const Table& t = table();
    const auto after = std::upper_bound(t.entries.cbegin(), t.entries.cend(), id,
                                        [](int wanted, const Entry& e) { return wanted < e.id; });
    if (after == t.entries.cbegin() || (after - 1)->id != id)
        return std::nullopt;
    const Entry& entry = *(after - 1);
    return QString::fromUtf8(QByteArrayView(t.bytes).sliced(entry.offset, entry.length));
}

int TextId(const QString& languageIndex, int n)
{
    return languageIndex.toInt() * 1000 + n;
}

} // namespace StringTable
