// The DLL as a COM server: the live objects and server locks that decide
// whether it may be unloaded, and the module's own handle.
#pragma once

#include <windows.h>

namespace tovak::wic {

// Every class object, decoder and frame counts from its allocation to its release
// (MakeObject and DestroyObject).
void ObjectCreated();
void ObjectDestroyed();
// IClassFactory::LockServer.
void LockServer(bool lock);

HMODULE ModuleHandle();

}  // namespace tovak::wic
