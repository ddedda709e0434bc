// The popup's movement as plain logic: one tick at a time, in twips (15 per pixel), with the
// screen's own coordinates (top 0 = the screen's top edge). The window only applies the effects.
#pragma once

#include <optional>

class MsgMotion final
{
  public:
    static constexpr int kTwipsPerPixel = 15;

    // What the window has to do after a call.
    struct Effects
    {
        bool moved = false; // put the window's top at Top()
        bool makeTopmost = false;
        bool undoTopmost = false;
        std::optional<int> transparency; // percent, 100 = invisible
        bool unload = false;
    };

    // Loading: the window waits just below the work area, in the given stacking slot.
    void Load(int workBottomTwips, int screenHeightTwips, int slot, int windowHeightTwips);

    // The timing and mode part of DisplayMessage. Fading puts the window straight at its rest.
    Effects Configure(int displaySeconds, bool fade);

    // One tick of the 10 ms timer.
    Effects Tick();

    // How many of the coming ticks would only count down at rest: 0 when the next tick moves or
    // fades, kRestsForever when nothing but a click or the close button ends the rest. The window
    // waits that long in one go instead of ticking.
    static constexpr int kRestsForever = -1;
    int RestTicks() const;
    // Counts down n ticks at rest at once, as n ticks would.
    void Rest(int ticks);

    // A click on the window or its message.
    void Click();
    // The close button: leave at the next tick, whatever the click rules say.
    void CloseActivate() { m_ticksLeft = 0; }

    // DisplaySeconds x 100, clamped where the product does not fit in 32 bits.
    static int TicksForSeconds(int displaySeconds);

    int RestingTop() const; // may be above the screen; the window stops at 0
    int Top() const { return m_top; }
    int Slot() const { return m_slot; }
    int Step() const { return m_step; }
    int TicksLeft() const { return m_ticksLeft; }
    bool NoTimeout() const { return m_noTimeout; }
    bool NoClickClose() const { return m_noClickClose; }
    bool AtRest() const { return m_atRest; }
    void SetWindowHeight(int twips) { m_height = twips; }

  private:
    Effects slideTick();
    Effects fadeTick();

    int m_workBottom = 0;
    int m_screenHeight = 0;
    int m_slot = 1;
    int m_height = 0;
    int m_top = 0;
    int m_step = 50;
    int m_ticksLeft = 1;
    bool m_noTimeout = false;
    bool m_noClickClose = false;
    bool m_fadeMode = false;
    bool m_atRest = false;
};
