// The library's attach handler: the settings are read once, here.
#include <windows.h>

#include "plugin/platform.h"
#include "plugin/settings.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    tovak::platform::SetModuleInstance(instance);
    tovak::plugin::LoadSettings();
  }
  return TRUE;
}
