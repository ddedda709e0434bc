// The program-wide flags, owned by the application and handed to whoever needs them.
#pragma once

struct AppState
{
    bool ExitRequested = false;     // the next close really ends the program
    bool bSelfCopy = false;         // the next clipboard change is our own Copy
    bool CacheTranslations = false; // store each translation in the history
};
