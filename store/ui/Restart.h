#pragma once
// The restart the operator asks for after changing the settings: the event loop ends, and main()
// starts the program again once this instance let go of its lock.
namespace quarvik {

void RequestRestart();
bool RestartRequested();
// A new start-up begins without a pending restart.
void ClearRestartRequest();

}  // namespace quarvik
