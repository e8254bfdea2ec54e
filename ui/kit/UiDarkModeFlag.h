#pragma once

/** The process-wide colour scheme switch: true selects the dark scheme.

    Written on the message thread only (when the editor is created and by its dark-mode
    control); every drawing function reads it at the moment it draws.
*/
inline bool uiDarkModeFlag = false;
