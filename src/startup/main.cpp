#include <windows.h>

#include "startup/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLineTail, int showCommand) {
    return RunUninstallerProcess(instance, commandLineTail, showCommand);
}
