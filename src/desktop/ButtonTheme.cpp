#include "ButtonTheme.h"

namespace ButtonTheme {

PushState ChooseState(const ButtonStatus& s)
{
    if (!s.enabled)
        return PushState::Disabled;
    if (s.pushed || s.value)
        return PushState::Pressed;
    if (s.hot)
        return PushState::Hot;
    if (s.focused)
        return PushState::Defaulted;
    return PushState::Normal;
}

Picture ChoosePicture(const ButtonStatus& s, bool hasDownPicture, bool hasDisabledPicture)
{
    if (!s.enabled)
        return hasDisabledPicture ? Picture::Disabled : Picture::Normal;
    if ((s.pushed || (s.hot && s.value)) && hasDownPicture)
        return Picture::Down;
    return Picture::Normal;
}

} // namespace ButtonTheme
