// The module's entry points that are not about one class: the attach
// handler and DllCanUnloadNow.
#include "wic/module.h"

namespace tovak::wic {
namespace {

LONG g_objects = 0;
LONG g_locks = 0;
HMODULE g_module = nullptr;

}  // namespace

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }

void LockServer(bool lock) {
  if (lock) {
    InterlockedIncrement(&g_locks);
  } else {
    InterlockedDecrement(&g_locks);
  }
}

HMODULE ModuleHandle() { return g_module; }

}  // namespace tovak::wic

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    tovak::wic::g_module = instance;
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
  using namespace tovak::wic;
  return InterlockedCompareExchange(&g_objects, 0, 0) == 0 &&
                 InterlockedCompareExchange(&g_locks, 0, 0) == 0
             ? S_OK
             : S_FALSE;
}
