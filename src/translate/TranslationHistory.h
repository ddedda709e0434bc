// The last three translations, recalled backwards by the Back button.
#pragma once

#include <QString>
#include <array>

struct HistorySlot
{
    // Source, translation, romanization and dictionary as they stood after the translation.
    std::array<QString, 4> texts;
    int targetIndex = 0;
    int sourceIndex = 0;
    bool translationSpeech = false;
    bool sourceSpeech = false;
};

class TranslationHistory final
{
  public:
    static constexpr int kSlots = 3;

    // "soun" + slot + page index + ".tmp"
    static QString SlotFileName(int slot, int pageIndex);

    // Fills the write slot, copies the current speech pages of `folder` next to it (a page
    // that cannot be copied leaves that flag off) and returns the slot written.
    int StoreTranslation(const HistorySlot& current, const QString& folder);

    // Steps the view cursor back (cyclically) and returns the slot to show.
    int Back();

    const HistorySlot& slot(int n) const { return m_slots[std::size_t(n)]; }
    int writeIndex() const { return m_writeIndex; }
    int viewCursor() const { return m_viewCursor; }

  private:
    std::array<HistorySlot, kSlots> m_slots;
    int m_writeIndex = 0;
    int m_viewCursor = 0;
};
