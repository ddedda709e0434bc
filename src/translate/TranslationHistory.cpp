#include "TranslationHistory.h"

#include "FileSave.h"
#include "GetSysPath.h"
#include "SpeechPage.h"

#include <QFile>

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
    slot.translationSpeech = copyPage(folder, 0, s, current.translationSpeech);
    slot.sourceSpeech = copyPage(folder, 1, s, current.sourceSpeech);
    m_viewCursor = s;
    m_writeIndex = (m_writeIndex + 1) % kSlots;
    return s;
}

int TranslationHistory::Back()
{
    m_viewCursor = (m_viewCursor + kSlots - 1) % kSlots;
    return m_viewCursor;
}
