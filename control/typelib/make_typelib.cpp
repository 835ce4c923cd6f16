// Writes the Korvix type library through ICreateTypeLib2. Runs under Wine at
// build time: an IDL compiler cannot express all of it (help strings on enum
// constants, optional by-reference strings with defaults, the type order).
//   make_typelib <output.tlb>
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/typelib/msft_patch.h"
#include "control/typelib/twain_members.h"
#include "control/typelib/type_builder.h"

namespace {

using namespace korvix;
using namespace korvix::typelib;

constexpr const wchar_t* kLibraryName = L"Korvix";
constexpr const wchar_t* kLibraryHelp = L"Valdane Korvid Lite ActiveX Version 1.1";
constexpr const wchar_t* kHelpFile = L"korvix.hlp";
constexpr LCID kLibraryLcid = 0x0409;
constexpr UINT kFirstOwnVtableSlot = 7;  // after IUnknown and IDispatch
constexpr unsigned kEventInterfaceIndex = 2;  // _Twain, Twain, __Twain, ...

LPOLESTR ole(const wchar_t* text) { return const_cast<LPOLESTR>(text); }

com_ptr<ICreateTypeInfo2> create_type(ICreateTypeLib2* lib, const wchar_t* name, TYPEKIND kind, const GUID& guid) {
    com_ptr<ICreateTypeInfo> info;
    throw_if_failed(lib->CreateTypeInfo(ole(name), kind, info.put()), "CreateTypeInfo failed");
    auto info2 = info.query<ICreateTypeInfo2>(IID_ICreateTypeInfo2);
    if (!info2) throw hresult_error(E_NOINTERFACE, "ICreateTypeInfo2 is not available");
    throw_if_failed(info2->SetGuid(guid), "SetGuid failed");
    throw_if_failed(info2->SetVersion(1, 0), "SetVersion failed");
    return info2;
}

void set_func_help(ICreateTypeInfo2* info, UINT index, const wchar_t* help, unsigned long context) {
    if (help) throw_if_failed(info->SetFuncDocString(index, ole(help)), "SetFuncDocString failed");
    if (context != kNoHelpContext) throw_if_failed(info->SetFuncHelpContext(index, context), "SetFuncHelpContext failed");
}

void set_names(ICreateTypeInfo2* info, UINT index, std::vector<const wchar_t*> names) {
    std::vector<LPOLESTR> raw;
    for (const wchar_t* n : names) raw.push_back(ole(n));
    throw_if_failed(info->SetFuncAndParamNames(index, raw.data(), static_cast<UINT>(raw.size())),
                    "SetFuncAndParamNames failed");
}

void fill_enum(ICreateTypeInfo2* info, const enum_row& row) {
    for (UINT i = 0; i < row.count; ++i) {
        VARIANT value;
        ::VariantInit(&value);
        V_VT(&value) = VT_I4;
        V_I4(&value) = row.constants[i].value;
        VARDESC var{};
        var.memid = 0x40000000 + static_cast<MEMBERID>(i);
        var.varkind = VAR_CONST;
        var.lpvarValue = &value;
        var.elemdescVar.tdesc.vt = VT_INT;
        throw_if_failed(info->AddVarDesc(i, &var), "AddVarDesc failed");
        throw_if_failed(info->SetVarName(i, ole(row.constants[i].name)), "SetVarName failed");
        // Object browsers show the constant's own name as its description.
        throw_if_failed(info->SetVarDocString(i, ole(row.constants[i].name)), "SetVarDocString failed");
    }
    throw_if_failed(info->LayOut(), "LayOut of an enumeration failed");
}

// One _Twain member; optional dialog strings default to "".
void add_member(ICreateTypeInfo2* info, UINT index, const member_row& row, const referenced_types& refs) {
    element_types types(info, refs);
    std::vector<ELEMDESC> params;
    std::vector<const wchar_t*> names{row.name};
    unique_bstr empty(::SysAllocString(L""));
    if (!empty) throw hresult_error(E_OUTOFMEMORY, "out of memory");
    PARAMDESCEX defaults[3]{};

    FUNCDESC func{};
    func.memid = row.dispid;
    func.funckind = FUNC_PUREVIRTUAL;
    func.callconv = CC_STDCALL;
    func.oVft = static_cast<SHORT>((kFirstOwnVtableSlot + index) * sizeof(void*));
    func.elemdescFunc = element_types::simple(VT_HRESULT);

    switch (row.kind) {
    case member_kind::get:
        func.invkind = INVOKE_PROPERTYGET;
        params.push_back(types.pointer_to(row.type, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL));
        break;
    case member_kind::let:
    case member_kind::set:
        func.invkind = row.kind == member_kind::let ? INVOKE_PROPERTYPUT : INVOKE_PROPERTYPUTREF;
        // The value of a property write stays unnamed: type libraries keep it
        // as the anonymous right-hand side (SetFuncAndParamNames refuses a name).
        params.push_back(types.value(row.type, PARAMFLAG_FIN));
        break;
    case member_kind::method:
        func.invkind = INVOKE_FUNC;
        if (row.dialog_params) {
            for (int i = 0; i < 3; ++i) {
                defaults[i].cBytes = sizeof(PARAMDESCEX);
                V_VT(&defaults[i].varDefaultValue) = VT_BSTR;
                V_BSTR(&defaults[i].varDefaultValue) = empty.get();
                ELEMDESC p = types.pointer_to(
                    value_type::string, PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
                p.paramdesc.pparamdescex = &defaults[i];
                params.push_back(p);
                names.push_back(kDialogParamNames[i]);
            }
        }
        break;
    }
    func.cParams = static_cast<SHORT>(params.size());
    func.cParamsOpt = 0;  // optional through defaults, not as variants
    func.lprgelemdescParam = params.empty() ? nullptr : params.data();
    throw_if_failed(info->AddFuncDesc(index, &func), "AddFuncDesc failed");
    set_names(info, index, names);
    set_func_help(info, index, row.help, row.help_context);
}

void fill_default_interface(ICreateTypeInfo2* info, const referenced_types& refs) {
    throw_if_failed(info->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                                       TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE),
                    "SetTypeFlags of _Twain failed");
    element_types types(info, refs);
    throw_if_failed(info->AddImplType(0, types.reference(refs.dispatch.get())), "AddImplType of _Twain failed");
    UINT index = 0;
    for (const member_row& row : kTwainMembers) add_member(info, index++, row, refs);
    throw_if_failed(info->LayOut(), "LayOut of _Twain failed");
}

void add_event(ICreateTypeInfo2* info, UINT index, const event_row& row, const referenced_types& refs) {
    element_types types(info, refs);
    std::vector<ELEMDESC> params;
    std::vector<const wchar_t*> names{row.name};
    for (unsigned i = 0; i < row.param_count; ++i) {
        const event_param& p = row.params[i];
        params.push_back(p.by_ref ? types.pointer_to(p.type, PARAMFLAG_FIN | PARAMFLAG_FOUT)
                                  : types.value(p.type, PARAMFLAG_FIN));
        names.push_back(p.name);
    }
    FUNCDESC func{};
    func.memid = row.dispid;
    func.funckind = FUNC_DISPATCH;
    func.invkind = INVOKE_FUNC;
    func.callconv = CC_STDCALL;
    func.elemdescFunc = element_types::simple(VT_VOID);
    func.cParams = static_cast<SHORT>(params.size());
    func.lprgelemdescParam = params.empty() ? nullptr : params.data();
    throw_if_failed(info->AddFuncDesc(index, &func), "AddFuncDesc of an event failed");
    set_names(info, index, names);
    set_func_help(info, index, row.help, row.help_context);
}

void fill_event_interface(ICreateTypeInfo2* info, const referenced_types& refs) {
    throw_if_failed(info->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE),
                    "SetTypeFlags of __Twain failed");
    element_types types(info, refs);
    throw_if_failed(info->AddImplType(0, types.reference(refs.dispatch.get())), "AddImplType of __Twain failed");
    UINT index = 0;
    for (const event_row& row : kTwainEvents) add_event(info, index++, row, refs);
    throw_if_failed(info->LayOut(), "LayOut of __Twain failed");
}

void fill_class(ICreateTypeInfo2* info, ICreateTypeInfo2* default_interface, ICreateTypeInfo2* events,
                const referenced_types& refs) {
    element_types types(info, refs);
    throw_if_failed(info->AddImplType(0, types.reference(as_type_info(default_interface).get())),
                    "AddImplType _Twain failed");
    throw_if_failed(info->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags _Twain failed");
    throw_if_failed(info->AddImplType(1, types.reference(as_type_info(events).get())), "AddImplType __Twain failed");
    throw_if_failed(info->SetImplTypeFlags(1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE),
                    "SetImplTypeFlags __Twain failed");
    throw_if_failed(info->LayOut(), "LayOut of Twain failed");
    // LayOut marks a class dispatchable; the class carries FCONTROL only.
    throw_if_failed(info->SetTypeFlags(TYPEFLAG_FCONTROL), "SetTypeFlags of Twain failed");
}

void write_library(const std::wstring& path) {
    referenced_types refs;
    load_stdole_types(refs);

    com_ptr<ICreateTypeLib2> lib;
    throw_if_failed(::CreateTypeLib2(kTypeLibSysKind, path.c_str(), lib.put()), "CreateTypeLib2 failed");
    throw_if_failed(lib->SetName(ole(kLibraryName)), "SetName failed");
    throw_if_failed(lib->SetGuid(LIBID_Korvix), "SetGuid failed");
    throw_if_failed(lib->SetVersion(1, 0), "SetVersion failed");
    throw_if_failed(lib->SetLcid(kLibraryLcid), "SetLcid failed");
    throw_if_failed(lib->SetLibFlags(LIBFLAG_FCONTROL), "SetLibFlags failed");
    throw_if_failed(lib->SetDocString(ole(kLibraryHelp)), "SetDocString failed");
    throw_if_failed(lib->SetHelpFileName(ole(kHelpFile)), "SetHelpFileName failed");
    throw_if_failed(lib->SetHelpContext(0), "SetHelpContext failed");

    // Created in library order; filled once every type they refer to exists.
    auto twain_interface = create_type(lib.get(), L"_Twain", TKIND_INTERFACE, IID__Twain);
    auto twain_class = create_type(lib.get(), L"Twain", TKIND_COCLASS, CLSID_Twain);
    auto twain_events = create_type(lib.get(), L"__Twain", TKIND_DISPATCH, DIID___Twain);
    com_ptr<ICreateTypeInfo2> enums[3];
    for (int i = 0; i < 3; ++i) enums[i] = create_type(lib.get(), kEnums[i].name, TKIND_ENUM, kEnums[i].guid);

    for (int i = 0; i < 3; ++i) fill_enum(enums[i].get(), kEnums[i]);
    refs.image_colortype = as_type_info(enums[0].get());
    refs.image_type = as_type_info(enums[1].get());

    fill_default_interface(twain_interface.get(), refs);
    fill_event_interface(twain_events.get(), refs);
    fill_class(twain_class.get(), twain_interface.get(), twain_events.get(), refs);

    throw_if_failed(lib->SaveAllChanges(), "SaveAllChanges failed");
}

std::vector<std::uint8_t> read_whole_file(const std::wstring& path) {
    unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "cannot open the saved library");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 16 * 1024 * 1024)
        throw hresult_error(E_FAIL, "cannot size the saved library");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
        throw hresult_error(E_FAIL, "cannot read the saved library");
    return bytes;
}

void write_whole_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    unique_handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        throw hresult_error(HRESULT_FROM_WIN32(::GetLastError()), "cannot rewrite the library");
    }
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw hresult_error(E_FAIL, "cannot rewrite the library");
}

// See msft_patch.h: the saved event interface must list its twelve events only.
void correct_event_interface(const std::wstring& path) {
    std::vector<std::uint8_t> bytes = read_whole_file(path);
    switch (normalize_dispinterface(bytes, kEventInterfaceIndex)) {
    case patch_result::patched: write_whole_file(path, bytes); break;
    case patch_result::already_normal: break;
    default: throw hresult_error(E_FAIL, "the saved library does not have the expected layout");
    }
}

// Reads the library back as hosts will, so a wrong file never reaches the module.
void verify_library(const std::wstring& path) {
    com_ptr<ITypeLib> lib;
    throw_if_failed(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put()), "the saved library does not load");
    if (lib->GetTypeInfoCount() != 6) throw hresult_error(E_FAIL, "the saved library does not hold six types");
    com_ptr<ITypeInfo> events;
    throw_if_failed(lib->GetTypeInfoOfGuid(DIID___Twain, events.put()), "the saved library has no __Twain");
    TYPEATTR* attr = nullptr;
    throw_if_failed(events->GetTypeAttr(&attr), "GetTypeAttr of __Twain failed");
    const UINT functions = attr->cFuncs;
    events->ReleaseTypeAttr(attr);
    if (functions != std::size(kTwainEvents)) throw hresult_error(E_FAIL, "__Twain does not list its events alone");
    FUNCDESC* first = nullptr;
    throw_if_failed(events->GetFuncDesc(0, &first), "GetFuncDesc of __Twain failed");
    const MEMBERID first_id = first->memid;
    events->ReleaseFuncDesc(first);
    if (first_id != kTwainEvents[0].dispid) throw hresult_error(E_FAIL, "__Twain does not start with its first event");
    HREFTYPE base = 0;
    com_ptr<ITypeInfo> dispatch;
    throw_if_failed(events->GetRefTypeOfImplType(0, &base), "__Twain has no base");
    throw_if_failed(events->GetRefTypeInfo(base, dispatch.put()), "__Twain's base does not resolve");
    TYPEATTR* base_attr = nullptr;
    throw_if_failed(dispatch->GetTypeAttr(&base_attr), "GetTypeAttr of __Twain's base failed");
    const bool is_dispatch = ::IsEqualGUID(base_attr->guid, IID_IDispatch);
    dispatch->ReleaseTypeAttr(base_attr);
    if (!is_dispatch) throw hresult_error(E_FAIL, "__Twain's base is not IDispatch");
}

struct com_scope {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~com_scope() {
        if (SUCCEEDED(hr)) ::CoUninitialize();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_typelib <output.tlb>\n");
        return 2;
    }
    com_scope com;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
    std::wstring path(length > 0 ? length - 1 : 0, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path.data(), length);
    // A failed run must not leave an old or half-written library looking current.
    ::DeleteFileW(path.c_str());
    try {
        write_library(path);
        correct_event_interface(path);
        verify_library(path);
    } catch (const hresult_error& e) {
        std::fprintf(stderr, "make_typelib: %s (0x%08lx)\n", e.what(), static_cast<unsigned long>(e.code()));
        ::DeleteFileW(path.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_typelib: %s\n", e.what());
        ::DeleteFileW(path.c_str());
        return 1;
    }
    return 0;
}
