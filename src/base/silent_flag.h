// The process-wide silent flag: set at start-up from "/S"; while it is set no
// window and no message box is shown.
#pragma once

void SetSilentFlag(bool silent);
bool GetSilentFlag();
