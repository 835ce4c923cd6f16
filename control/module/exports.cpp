// The module's four exported entry points (undecorated through korvixlite.def).
#include <windows.h>
#include <olectl.h>

#include "control/module/class_factory.h"
#include "control/module/registration.h"
#include "control/twain_factory.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return korvix::get_twain_class_object(clsid, iid, out);
}

STDAPI DllCanUnloadNow() { return korvix::module_ref_count() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return korvix::register_server(); }

STDAPI DllUnregisterServer() { return korvix::unregister_server(); }
