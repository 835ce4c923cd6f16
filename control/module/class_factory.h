// The class object of Twain, handed out by DllGetClassObject.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace korvix {

// Answers DllGetClassObject: a class factory for CLSID_Twain, nothing else.
HRESULT get_twain_class_object(REFCLSID clsid, REFIID iid, void** out) noexcept;

}  // namespace korvix
