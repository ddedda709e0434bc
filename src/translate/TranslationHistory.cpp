#include "TranslationHistory.h"

#include "FileSave.h"
#include "GetSysPath.h"
#include "SpeechPage.h"

#include <QFile>
#include <QStringDecoder>

namespace {
// Replaces the slot's copy of one speech page; false when there is no usable copy.
bool copyPage(const QString& folder, int pageIndex, int slot, bool hasSpeech)
{
    const QString target =
        GetSysPath::JoinPath(folder, TranslationHistory::SlotFileName(slot, pageIndex));
    QFile::remove(target);
    if (!hasSpeech)
        return false;
    // Copied through a checked save: QFile::copy can report success for an empty copy on a
    // full disk.
    QFile page(GetSysPath::JoinPath(folder, SpeechPage::PageFileName(pageIndex)));
    return page.open(QIODevice::ReadOnly) && FileSave::SaveWhole(target, page.readAll());
}
} // namespace

QString TranslationHistory::SlotFileName(int slot, int pageIndex)
{
    return QStringLiteral("soun%1%2.tmp").arg(slot).arg(pageIndex);
}

int TranslationHistory::StoreTranslation(const HistorySlot& current, const QString& folder)
{
    const int s = m_writeIndex;
    HistorySlot& slot = m_slots[std::size_t(s)];
    slot = current;
    for (std::size_t i = 0; i < slot.texts.size(); ++i) {
        QByteArray& utf8 = m_utf8[std::size_t(s)][i];
        utf8.clear();
        if (slot.texts[i].isEmpty() || !QStringView(slot.texts[i]).isValidUtf16())
            continue;
        utf8 = slot.texts[i].toUtf8();
        utf8.squeeze(); // the encoder makes room for three bytes a character
        slot.texts[i] = QString();
    }
    slot.translationSpeech = copyPage(folder, 0, s, current.translationSpeech);
    slot.sourceSpeech = copyPage(folder, 1, s, current.sourceSpeech);
    m_viewCursor = s;
    m_writeIndex = (m_writeIndex + 1) % kSlots;
    return s;
}

HistorySlot TranslationHistory::slot(int n) const
{
    HistorySlot slot = m_slots[std::size_t(n)];
    for (std::size_t i = 0; i < slot.texts.size(); ++i) {
        const QByteArray& utf8 = m_utf8[std::size_t(n)][i];
        // A leading byte-order mark is text here, which QString::fromUtf8 would drop.
        QStringDecoder decode(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        if (!utf8.isEmpty())
            slot.texts[i] = decode(utf8);
    }
    return slot;
}

int TranslationHistory::Back()
{
    m_viewCursor = (m_viewCursor + kSlots - 1) % kSlots;
    return m_viewCursor;
}
