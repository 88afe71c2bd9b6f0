// The clean-up steps are called at their places in the sequence; until the
// registry, shortcut, autorun and service rules are in, they change nothing.
#include "engine/system_cleanup.h"

void RemoveDesktopShortcuts() {}
void RemoveStartMenuFolder() {}
void RemoveProductKeys() {}
void RemoveAutorun() {}
void DeleteUninstallEntry() {}
void RemoveProductService() {}
void RemoveQuorraLeftovers() {}
