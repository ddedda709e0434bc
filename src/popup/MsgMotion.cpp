#include "MsgMotion.h"

#include <algorithm>
#include <limits>

void MsgMotion::Load(int workBottomTwips, int screenHeightTwips, int slot, int windowHeightTwips)
{
    m_workBottom = workBottomTwips;
    m_screenHeight = screenHeightTwips;
    m_slot = slot;
    m_height = windowHeightTwips;
    m_top = workBottomTwips;
    m_atRest = false;
}

int MsgMotion::TicksForSeconds(int displaySeconds)
{
    constexpr int kMax = std::numeric_limits<int>::max();
    if (displaySeconds > kMax / 100)
        return kMax;
    return displaySeconds * 100;
}

MsgMotion::Effects MsgMotion::Configure(int displaySeconds, bool fade)
{
    // Reset per showing, so that an earlier call's rules do not stick to this one.
    m_noTimeout = false;
    m_noClickClose = false;
    if (displaySeconds > 0) {
        m_ticksLeft = TicksForSeconds(displaySeconds);
    } else {
        m_noTimeout = true;
        m_ticksLeft = 1;
        m_noClickClose = displaySeconds < 0;
    }

    Effects fx;
    m_fadeMode = fade;
    if (fade) {
        m_step = 100;
        m_top = std::max(RestingTop(), 0);
        fx.moved = true;
        fx.transparency = 100;
        fx.makeTopmost = true;
    } else {
        m_step = m_slot == 1 ? 50 : 100;
    }
    return fx;
}

int MsgMotion::RestingTop() const
{
    // 64-bit: eight slots of a tall window must not wrap around.
    const long long rest = static_cast<long long>(m_workBottom) -
                           static_cast<long long>(m_height) * static_cast<long long>(m_slot);
    return static_cast<int>(std::max<long long>(rest, std::numeric_limits<int>::min()));
}

void MsgMotion::Click()
{
    if (!m_noClickClose)
        m_ticksLeft = 0;
}

MsgMotion::Effects MsgMotion::Tick()
{
    return m_fadeMode ? fadeTick() : slideTick();
}

int MsgMotion::RestTicks() const
{
    if (m_ticksLeft < 1)
        return 0;
    const bool resting = m_fadeMode ? m_step <= 0 : m_atRest;
    if (!resting)
        return 0;
    return m_noTimeout ? kRestsForever : m_ticksLeft;
}

void MsgMotion::Rest(int ticks)
{
    if (RestTicks() > 0)
        m_ticksLeft -= std::clamp(ticks, 0, m_ticksLeft);
}

MsgMotion::Effects MsgMotion::slideTick()
{
    Effects fx;
    if (m_ticksLeft < 1) {
        if (m_top > m_screenHeight) {
            fx.unload = true;
            return fx;
        }
        if (m_atRest) {
            m_atRest = false;
            fx.undoTopmost = true;
        }
        m_top += m_step;
        fx.moved = true;
        return fx;
    }

    const int rest = RestingTop();
    if (m_top > 0 && m_top > rest) {
        m_top -= m_step;
        fx.moved = true;
        return fx;
    }
    if (!m_atRest) {
        m_top = std::max(rest, 0);
        m_atRest = true;
        fx.moved = true;
        fx.makeTopmost = true;
    }
    if (!m_noTimeout)
        --m_ticksLeft;
    return fx;
}

MsgMotion::Effects MsgMotion::fadeTick()
{
    Effects fx;
    if (m_ticksLeft < 1) {
        if (m_step > 100) {
            fx.unload = true;
            return fx;
        }
        m_step += 2;
        fx.transparency = m_step;
        return fx;
    }
    if (m_step > 0) {
        m_step -= 2;
        fx.transparency = m_step;
        return fx;
    }
    if (!m_noTimeout)
        --m_ticksLeft;
    return fx;
}
