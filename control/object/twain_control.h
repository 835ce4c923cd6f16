// The Twain control object: one COM identity carrying the automation
// interface, the OLE embedding and in-place interfaces, persistence, class
// information and connection points. Its visual side is a ControlView; this
// object holds the control's own settings and the OLE state.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <ocidl.h>

#include <memory>
#include <string>

#include "codecs/gdi_helper.h"
#include "common/win/unique_resource.h"
#include "control/korvix_ids.h"
#include "control/object/connection_point.h"
#include "control/object/dispatch_members.h"
#include "control/object/parent_watch.h"
#include "control/persist/settings_procedures.h"
#include "control/twain_interface.h"
#include "picture24/picture24.h"
#include "twain/win/acquisition.h"
#include "view/control_view.h"

namespace korvix {

class TwainControl final : public ITwain,
                           public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IOleControl,
                           public IViewObject2,
                           public IPersistStreamInit,
                           public IPersistPropertyBag,
                           public IPersistStorage,
                           public IProvideClassInfo2,
                           public IConnectionPointContainer,
                           public ISupportErrorInfo,
                           private ControlViewSite,
                           private ParentWatch::Listener {
public:
    // Runs the control's initialisation; throws hresult_error when the
    // windows or the empty pictures cannot be made.
    TwainControl();
    ~TwainControl();
    TwainControl(const TwainControl&) = delete;
    TwainControl& operator=(const TwainControl&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* arg_err) noexcept override;

    // ITwain
    HRESULT STDMETHODCALLTYPE get_FileType(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BorderStyle(SHORT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_BorderStyle(SHORT iStyle) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BackColor(OLE_COLOR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_BackColor(OLE_COLOR lColor) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL bEnabled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_hDC(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_hwnd(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MouseIcon(IPictureDisp** value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_MouseIcon(IPictureDisp* picIcon) noexcept override;
    HRESULT STDMETHODCALLTYPE get_MousePointer(SHORT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_MousePointer(SHORT iType) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Picture(IPictureDisp** value) noexcept override;
    HRESULT STDMETHODCALLTYPE putref_Picture(IPictureDisp* picNew) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BitmapWidth(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_BitmapHeight(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE get_AutoRedraw(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_AutoRedraw(VARIANT_BOOL bEnabled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ToolTipText(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ToolTipText(BSTR sText) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ColorType(LONG* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ColorType(LONG iType) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Resolution(SHORT* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Resolution(SHORT iResolution) noexcept override;
    HRESULT STDMETHODCALLTYPE get_filename(BSTR* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_filename(BSTR sFileName) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ShowProgress(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ShowProgress(VARIANT_BOOL bEnabled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_ShowInterface(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_ShowInterface(VARIANT_BOOL bEnabled) noexcept override;
    HRESULT STDMETHODCALLTYPE get_Scrollable(VARIANT_BOOL* value) noexcept override;
    HRESULT STDMETHODCALLTYPE put_Scrollable(VARIANT_BOOL bEnabled) noexcept override;
    HRESULT STDMETHODCALLTYPE About() noexcept override;
    HRESULT STDMETHODCALLTYPE Refresh() noexcept override;
    HRESULT STDMETHODCALLTYPE Scan() noexcept override;
    HRESULT STDMETHODCALLTYPE SelectSource() noexcept override;
    HRESULT STDMETHODCALLTYPE Save() noexcept override;
    HRESULT STDMETHODCALLTYPE Load() noexcept override;
    HRESULT STDMETHODCALLTYPE ShowSave(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) noexcept override;
    HRESULT STDMETHODCALLTYPE ShowLoad(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) noexcept override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) noexcept override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR obj) noexcept override;
    HRESULT STDMETHODCALLTYPE Close(DWORD save_option) noexcept override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* mk) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** mk) noexcept override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) noexcept override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                                     LPCRECT pos) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) noexcept override;
    HRESULT STDMETHODCALLTYPE Update() noexcept override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) noexcept override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) noexcept override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pal) noexcept override;

    // IOleWindow / IOleInPlaceObject / IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) noexcept override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) noexcept override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() noexcept override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT clip) noexcept override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() noexcept override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) noexcept override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) noexcept override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) noexcept override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) noexcept override;

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) noexcept override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) noexcept override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) noexcept override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) noexcept override;

    // IViewObject / IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target, HDC target_dc,
                                   HDC dc, LPCRECTL bounds, LPCRECTL wbounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                                   ULONG_PTR cont_arg) noexcept override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target,
                                          HDC target_dc, LOGPALETTE** colors) noexcept override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) noexcept override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) noexcept override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) noexcept override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) noexcept override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target,
                                        LPSIZEL size) noexcept override;

    // IPersist and its three persistence forms
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) noexcept override;
    HRESULT STDMETHODCALLTYPE IsDirty() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) noexcept override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew() noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) noexcept override;
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL same_as_load) noexcept override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) noexcept override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() noexcept override;

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) noexcept override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) noexcept override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) noexcept override;

    // Raises an event of __Twain on every advised sink (args in DISPPARAMS
    // order: last parameter first). Dropped while the container froze events.
    void raise_event(DISPID id, VARIANTARG* args, UINT count) noexcept;
    void raise_progress(SHORT percent) noexcept;

    // PIC24: the control's own 24-bit picture, whose Progress the control
    // raises as its own.
    Picture24& picture24() noexcept { return pic24_; }

private:
    class Settings;  // the persisted settings as the portable model sees them
    friend class Settings;

    // ControlViewSite
    bool auto_redraw() const override { return auto_redraw_; }
    void set_auto_redraw(bool value) override { auto_redraw_ = value; }
    bool scrollable() const override { return scrollable_; }
    void on_surface_resize() override;
    void on_scroll() override;
    void on_picture_box_paint() override;
    void on_click() override;
    void on_dbl_click() override;
    void on_mouse(MouseAction action, SHORT& button, SHORT& shift, float& x, float& y) override;
    void on_key(KeyAction action, SHORT& key_code, SHORT& shift) override;
    void on_key_press(SHORT& key_ascii) override;
    void on_focus_request() override;
    void hold() noexcept override;
    void release_hold() noexcept override;

    // PIC24_Progress.
    struct Pic24Progress final : ProgressListener {
        explicit Pic24Progress(TwainControl& control) noexcept : owner(control) {}
        void on_progress(std::int16_t percent) override;
        TwainControl& owner;
    };

    // ParentWatch::Listener: the container destroys a window ours lives in.
    void container_window_destroying() noexcept override;

    IUnknown* identity() noexcept { return static_cast<ITwain*>(this); }
    HWND dialog_owner() const noexcept;
    // Runs body at the automation boundary: exceptions become HRESULTs with
    // error information. When body is the member an Invoke dispatched to,
    // its failure is recorded for that Invoke's EXCEPINFO.
    template <typename Body>
    HRESULT automation(Body&& body) noexcept;
    // One Invoke in progress. Invokes nest (a sink called during a property
    // procedure may call back in), so each has its own record, and only the
    // outermost automation() call made under it (the member itself) fills it.
    struct InvokeRecord {
        HRESULT member_failure = S_OK;
        unsigned depth = 0;  // automation_depth_ when the Invoke began
        InvokeRecord* outer = nullptr;
    };
    class InvokeScope;
    // PropertyChanged: tells every property-notify sink and marks the
    // control as needing to be saved.
    void property_changed(DISPID id) noexcept;
    void set_mouse_icon(IPictureDisp* icon);
    void init_properties() noexcept;  // new-instance defaults
    HRESULT dispatch_type_info(ITypeInfo** out) noexcept;
    HRESULT invoke_dialog_method(DISPID id, DISPPARAMS* params, VARIANT* result, UINT* arg_err) noexcept;
    HRESULT not_available(const wchar_t* what) noexcept;

    // OLE life cycle
    void read_ambient_properties() noexcept;
    HRESULT activate_in_place(bool ui_activate) noexcept;
    void release_in_place_objects() noexcept;
    void view_changed() noexcept;

    // Persistence helpers
    HRESULT load_settings_stream(IStream* stream) noexcept;
    HRESULT save_settings_stream(IStream* stream) noexcept;

    LONG refs_ = 1;
    InvokeRecord* invoke_record_ = nullptr;  // the innermost Invoke in progress
    unsigned automation_depth_ = 0;          // automation() calls in progress

    // The control's own settings (new-instance values come from InitNew).
    SHORT quality_ = 0;
    SHORT compression_ = 0;
    LONG file_type_ = 0;
    bool scrollable_ = false;
    bool auto_redraw_ = false;
    bool show_progress_ = false;
    bool show_interface_ = false;
    LONG color_type_ = 0;
    SHORT resolution_ = 0;
    std::wstring filename_;
    com_ptr<IPictureDisp> picture_;  // mPicture
    // A picture keeps its resolution in its own DIB section's header, so it
    // goes with the picture to other controls. This is the resolution a scan
    // reported for picture_, which Save uses only when the header has none;
    // 0 for every other picture. Every assignment of picture_ sets it too.
    using Resolution = ImageResolution;  // dots per inch, x and y
    Resolution picture_dpi_;
    bool dirty_ = false;

    // Companions.
    std::unique_ptr<ControlView> view_;
    GdiHelper gdi_;
    std::unique_ptr<twain::Acquisition> twain_;  // mTwain
    Pic24Progress pic24_progress_{*this};
    Picture24 pic24_;

    // OLE state.
    com_ptr<IOleClientSite> client_site_;
    com_ptr<IOleInPlaceSite> in_place_site_;
    com_ptr<IOleInPlaceFrame> frame_;
    com_ptr<IOleInPlaceUIWindow> ui_window_;
    com_ptr<IOleAdviseHolder> advise_holder_;
    com_ptr<IAdviseSink> view_sink_;
    DWORD view_sink_aspects_ = 0;
    DWORD view_sink_flags_ = 0;
    SIZEL extent_{};  // HIMETRIC
    RECT pos_rect_{};
    bool in_place_active_ = false;
    ParentWatch parent_watch_{*this};  // while in-place active
    bool ui_active_ = false;
    bool user_mode_ = true;
    LONG freeze_count_ = 0;
    com_ptr<ITypeInfo> dispatch_info_;
    DispatchMembers dispatch_members_;  // read from dispatch_info_ with it

    ConnectionPoint event_point_;
    ConnectionPoint notify_point_;
};

template <typename Body>
HRESULT TwainControl::automation(Body&& body) noexcept {
    InvokeRecord* const record =
        invoke_record_ && invoke_record_->depth == automation_depth_ ? invoke_record_ : nullptr;
    ++automation_depth_;
    const HRESULT hr = com_boundary(IID__Twain, std::forward<Body>(body));
    --automation_depth_;
    if (record && FAILED(hr)) record->member_failure = hr;
    return hr;
}

}  // namespace korvix
