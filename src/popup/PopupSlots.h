// The eight stacking slots that all popups of the process share, as a bit set (bit n-1 = slot n).
#pragma once

#include <QtGlobal>

namespace PopupSlots {

// The lowest free slot of 1 to 7; when those are all taken, slot 8, even if 8 is taken too.
// Marks the slot in mask.
int TakeSlot(quint8& mask);

// Gives a slot back by toggling its bit; any slot outside 1..7 counts as slot 8.
void FreeSlot(quint8& mask, int slot);

// The process-wide set, touched only on the user-interface thread.
quint8& ProcessSlotMask();

} // namespace PopupSlots
