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
    for (std::size_t i = 0; i < slot.texts.size(); ++i) {
        m_texts[std::size_t(s)][i] = PackedBytes(slot.texts[i]);
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
    for (std::size_t i = 0; i < slot.texts.size(); ++i)
        slot.texts[i] = m_texts[std::size_t(n)][i].text();
    return slot;
}

bool TranslationHistory::packMore()
{
    for (auto& texts : m_texts)
        for (PackedBytes& text : texts)
            if (!text.packed()) {
                text.packMore();
                return true;
            }
    return false;
}

int TranslationHistory::Back()
{
    m_viewCursor = (m_viewCursor + kSlots - 1) % kSlots;
    return m_viewCursor;
}
