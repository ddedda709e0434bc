// Parsing is per field: one bad field never costs the user the other six.
#include "OptionsRecord.h"

#include <QStringList>

namespace {

int fieldOr(const QStringList& fields, int index, int lowest, int highest, int fallback)
{
    if (index >= fields.size())
        return fallback;
    bool ok = false;
    const int value = fields.at(index).trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return fallback;
    return value;
}

} // namespace

OptionsRecord OptionsRecord::Parse(const QString& text)
{
    const QStringList fields = text.split(QLatin1Char('|'));
    const OptionsRecord d;
    OptionsRecord r;
    r.sourceIndex = fieldOr(fields, 0, 0, kSourceListCount - 1, d.sourceIndex);
    r.targetIndex = fieldOr(fields, 1, 0, kTargetListCount - 1, d.targetIndex);
    // A check box knows only ticked and clear; the minus sign of -1 is kept, as it is harmless.
    r.romanization = fieldOr(fields, 2, -1, 1, d.romanization);
    r.dictionary = fieldOr(fields, 3, -1, 1, d.dictionary);
    r.systemLanguage = fieldOr(fields, 4, 0, LanguageCatalogue::kCount - 1, d.systemLanguage);
    r.monitorClipboard = fieldOr(fields, 5, -1, 1, d.monitorClipboard);
    r.cacheTranslations = fieldOr(fields, 6, -1, 1, d.cacheTranslations);
    return r;
}

QString OptionsRecord::Format() const
{
    const int fields[kFieldCount] = {sourceIndex,    targetIndex,      romanization,     dictionary,
                                     systemLanguage, monitorClipboard, cacheTranslations};
    QStringList parts;
    for (int value : fields)
        parts.append(QString::number(value));
    return parts.join(QLatin1Char('|'));
}
