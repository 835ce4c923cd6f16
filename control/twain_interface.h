// The control's default dual interface, in the exact vtable order the type
// library declares: for each property its read then its write, then the
// methods. Keep this in step with the type library generator's member table.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

namespace korvix {

struct ITwain : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_FileType(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BorderStyle(SHORT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BorderStyle(SHORT iStyle) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackColor(OLE_COLOR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BackColor(OLE_COLOR lColor) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL bEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hDC(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_hwnd(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MouseIcon(IPictureDisp** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_MouseIcon(IPictureDisp* picIcon) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MousePointer(SHORT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MousePointer(SHORT iType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Picture(IPictureDisp** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE putref_Picture(IPictureDisp* picNew) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitmapWidth(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitmapHeight(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AutoRedraw(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoRedraw(VARIANT_BOOL bEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ToolTipText(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ToolTipText(BSTR sText) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ColorType(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ColorType(LONG iType) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Resolution(SHORT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Resolution(SHORT iResolution) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_filename(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_filename(BSTR sFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ShowProgress(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ShowProgress(VARIANT_BOOL bEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ShowInterface(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ShowInterface(VARIANT_BOOL bEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Scrollable(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Scrollable(VARIANT_BOOL bEnabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE About() = 0;
    virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
    virtual HRESULT STDMETHODCALLTYPE Scan() = 0;
    virtual HRESULT STDMETHODCALLTYPE SelectSource() = 0;
    virtual HRESULT STDMETHODCALLTYPE Save() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load() = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowSave(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowLoad(BSTR* sFilter, BSTR* sTitle, BSTR* sInitDir) = 0;
};

}  // namespace korvix
