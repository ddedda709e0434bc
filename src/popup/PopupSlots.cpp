#include "PopupSlots.h"

namespace PopupSlots {
namespace {

quint8 bitOf(int slot)
{
    if (slot >= 1 && slot <= 7)
        return static_cast<quint8>(1u << (slot - 1));
    return 0x80;
}

} // namespace

int TakeSlot(quint8& mask)
{
    for (int slot = 1; slot <= 7; ++slot) {
        if ((mask & bitOf(slot)) == 0) {
            mask |= bitOf(slot);
            return slot;
        }
    }
    mask |= 0x80;
    return 8;
}

void FreeSlot(quint8& mask, int slot)
{
    mask ^= bitOf(slot);
}

quint8& ProcessSlotMask()
{
    static quint8 mask = 0;
    return mask;
}

} // namespace PopupSlots
