// The product's traces outside its folder: shortcuts, registry keys, the
// list-of-programs entry, autorun, the service and a stray uninstaller.
#pragma once

void RemoveDesktopShortcuts();
void RemoveStartMenuFolder();
void RemoveProductKeys();
void RemoveAutorun();
void DeleteUninstallEntry();
void RemoveProductService();
void RemoveQuorraLeftovers();
