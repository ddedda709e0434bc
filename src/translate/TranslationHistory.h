// The last three translations, recalled backwards by the Back button.
#pragma once

#include "PackedBytes.h"

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

    // Packs the next piece of a stored text; false once all are packed. Run while the window
    // is idle: a slot is seldom read again, and a large translation is kept at a fraction of
    // its size.
    bool packMore();

    // The slot as stored, its texts unpacked again.
    HistorySlot slot(int n) const;
    int writeIndex() const { return m_writeIndex; }
    int viewCursor() const { return m_viewCursor; }

  private:
    // A slot's texts are kept apart from it, packed.
    std::array<HistorySlot, kSlots> m_slots;
    std::array<std::array<PackedBytes, 4>, kSlots> m_texts;
    int m_writeIndex = 0;
    int m_viewCursor = 0;
};
