#pragma once
// Whether a window manager looks after the program's windows. On a bare X server (Xvfb without
// one) nothing maximises or restores a window: the main frame then does it itself.

namespace quarvik {

// False only on X with no window manager announced (_NET_SUPPORTING_WM_CHECK on the root
// window); other platforms place their windows themselves.
bool HasWindowManager();

}  // namespace quarvik
