// Which of the five looks a command button takes, and which of its pictures it shows.
#pragma once

namespace ButtonTheme {

enum class PushState { Normal = 1, Hot = 2, Pressed = 3, Disabled = 4, Defaulted = 5 };

struct ButtonStatus
{
    bool enabled = true;
    bool hot = false;     // the mouse is over it
    bool pushed = false;  // held down
    bool focused = false; // has the keyboard focus
    bool value = false;   // a latched (checked) button
};

PushState ChooseState(const ButtonStatus& status);

enum class Picture { Normal, Down, Disabled };

// The picture to show; a button without the preferred one falls back to its normal picture
// (greyed by the painter when disabled).
Picture ChoosePicture(const ButtonStatus& status, bool hasDownPicture, bool hasDisabledPicture);

} // namespace ButtonTheme
