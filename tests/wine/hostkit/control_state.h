// The control's state as a host sees it: the properties it can read back
// (to tell whether a refused call changed anything) and the settings record
// it stores through IPersistStreamInit.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

namespace korvix::hostkit {

// Each persisted property, Picture, BitmapWidth and BitmapHeight, read
// through IDispatch by name ("<failed>" when the get fails). Objects read as
// their identity, long texts as length and hash, so states compare cheaply
// and print short. Clears the thread's error information.
using control_state = std::map<std::wstring, std::wstring>;
control_state read_state(IDispatch* control);

// The record the control saves into a memory stream (empty when it refuses).
std::vector<BYTE> saved_record(IUnknown* control);
// Loads bytes as a record, with the thread's error information cleared first.
HRESULT load_record(IUnknown* control, const std::vector<BYTE>& bytes);

}  // namespace korvix::hostkit
