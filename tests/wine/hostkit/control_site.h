// The site a hosted control talks to: client site, in-place site (Ex),
// control site, the in-place frame, and the ambient properties (IDispatch).
// It records what the control asked of it, and counts the references the
// control takes, so tests can check that every one is given back.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "common/win/unique_resource.h"

namespace korvix::hostkit {

struct ambient_values {
    bool user_mode = true;
    OLE_COLOR back_color = 0x8000000F;  // button face, like a form
    OLE_COLOR fore_color = 0x80000012;
    std::wstring display_name = L"Twain1";
    LCID locale = 0x0409;
    bool message_reflect = false;
};

class control_site final : public IOleClientSite,
                           public IOleInPlaceSiteEx,
                           public IOleControlSite,
                           public IOleInPlaceFrame,
                           public IDispatch {
public:
    // frame: the container window; pos: the control's rectangle in it (pixels).
    static com_ptr<control_site> create(HWND frame, const RECT& pos, ambient_values ambients = {});

    // --- what the control did ------------------------------------------------
    LONG ref_count() const noexcept { return refs_; }       // ours included
    LONG add_ref_calls() const noexcept { return add_refs_; }
    LONG release_calls() const noexcept { return releases_; }
    int in_place_activations() const noexcept { return activations_; }
    int in_place_deactivations() const noexcept { return deactivations_; }
    const std::vector<DISPID>& ambients_asked() const noexcept { return ambients_asked_; }
    int set_active_object_calls() const noexcept { return active_object_calls_; }
    void set_pos(const RECT& pos) noexcept { pos_ = pos; }
    const RECT& pos() const noexcept { return pos_; }
    ambient_values& ambients() noexcept { return ambients_; }

    // --- IUnknown ---------------------------------------------------------------
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // --- IOleClientSite ------------------------------------------------------
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // --- IOleWindow (shared by the in-place site and the frame) --------------
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }

    // --- IOleInPlaceSite(Ex) -------------------------------------------------
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos, RECT* clip,
                                  OLEINPLACEFRAMEINFO* info) override;
    STDMETHODIMP Scroll(SIZE) override { return S_FALSE; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(const RECT* pos) override;
    STDMETHODIMP OnInPlaceActivateEx(BOOL* no_redraw, DWORD) override;
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override;
    STDMETHODIMP RequestUIActivate() override { return S_OK; }

    // --- IOleControlSite -----------------------------------------------------
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** out) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // --- IOleInPlaceUIWindow / IOleInPlaceFrame ------------------------------
    STDMETHODIMP GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override;
    STDMETHODIMP InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }

    // --- IDispatch: ambient properties ------------------------------------------
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override;

private:
    control_site(HWND frame, const RECT& pos, ambient_values ambients);
    ~control_site();

    LONG refs_ = 1;
    LONG add_refs_ = 0;
    LONG releases_ = 0;
    HWND frame_;
    RECT pos_;
    ambient_values ambients_;
    int activations_ = 0;
    int deactivations_ = 0;
    std::vector<DISPID> ambients_asked_;
    int active_object_calls_ = 0;
};

}  // namespace korvix::hostkit
