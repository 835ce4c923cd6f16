// Small RAII toolkit for Win32 and COM resources: one template for every
// handle kind, scoped helpers for paired calls, and HRESULT plumbing for the
// COM boundary. Written for mingw-w64, which cannot build WIL.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <new>
#include <stdexcept>
#include <utility>

namespace korvix {

// ---------------------------------------------------------------------------
// unique_resource<T, Close, Invalid>: owns one handle, closes it exactly once.
template <typename T, auto Close, T Invalid = T{}>
class unique_resource {
public:
    unique_resource() noexcept = default;
    explicit unique_resource(T value) noexcept : value_(value) {}
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;
    unique_resource(unique_resource&& other) noexcept : value_(other.release()) {}
    unique_resource& operator=(unique_resource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_resource() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Invalid; }
    T release() noexcept { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) noexcept {
        T old = std::exchange(value_, value);
        if (old != Invalid) Close(old);
    }
    // For out-parameters: frees what is held and hands out the slot.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

namespace detail {
inline void close_window(HWND h) noexcept { ::DestroyWindow(h); }
inline void delete_dc(HDC h) noexcept { ::DeleteDC(h); }
inline void delete_gdi(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void delete_bitmap(HBITMAP h) noexcept { ::DeleteObject(h); }
inline void delete_region(HRGN h) noexcept { ::DeleteObject(h); }
inline void delete_brush(HBRUSH h) noexcept { ::DeleteObject(h); }
inline void delete_font(HFONT h) noexcept { ::DeleteObject(h); }
inline void free_global(HGLOBAL h) noexcept { ::GlobalFree(h); }
inline void free_library(HMODULE h) noexcept { ::FreeLibrary(h); }
inline void close_handle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void close_key(HKEY h) noexcept { ::RegCloseKey(h); }
inline void destroy_cursor(HCURSOR h) noexcept { ::DestroyCursor(h); }
inline void destroy_icon(HICON h) noexcept { ::DestroyIcon(h); }
inline void free_bstr(BSTR s) noexcept { ::SysFreeString(s); }
inline void unmap_view(const void* p) noexcept { ::UnmapViewOfFile(p); }
}  // namespace detail

using unique_hwnd = unique_resource<HWND, detail::close_window>;
using unique_hdc = unique_resource<HDC, detail::delete_dc>;
using unique_hgdiobj = unique_resource<HGDIOBJ, detail::delete_gdi>;
using unique_hbitmap = unique_resource<HBITMAP, detail::delete_bitmap>;
using unique_hrgn = unique_resource<HRGN, detail::delete_region>;
using unique_hbrush = unique_resource<HBRUSH, detail::delete_brush>;
using unique_hfont = unique_resource<HFONT, detail::delete_font>;
using unique_hglobal = unique_resource<HGLOBAL, detail::free_global>;
using unique_hmodule = unique_resource<HMODULE, detail::free_library>;
using unique_handle = unique_resource<HANDLE, detail::close_handle>;
using unique_hkey = unique_resource<HKEY, detail::close_key>;
using unique_bstr = unique_resource<BSTR, detail::free_bstr>;
using unique_hicon = unique_resource<HICON, detail::destroy_icon>;
using unique_view = unique_resource<const void*, detail::unmap_view>;  // MapViewOfFile

// ---------------------------------------------------------------------------
// Paired calls.

// GetDC / ReleaseDC.
class window_dc {
public:
    explicit window_dc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~window_dc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class paint_scope {
public:
    explicit paint_scope(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
    ~paint_scope() { ::EndPaint(hwnd_, &ps_); }
    paint_scope(const paint_scope&) = delete;
    paint_scope& operator=(const paint_scope&) = delete;
    HDC get() const noexcept { return dc_; }
    const PAINTSTRUCT& info() const noexcept { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
};

// SelectObject that puts the previous object back.
class select_scope {
public:
    select_scope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~select_scope() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    select_scope(const select_scope&) = delete;
    select_scope& operator=(const select_scope&) = delete;
    bool ok() const noexcept { return old_ != nullptr && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GlobalLock / GlobalUnlock.
class global_lock {
public:
    explicit global_lock(HGLOBAL h) noexcept : h_(h), p_(h ? ::GlobalLock(h) : nullptr) {}
    ~global_lock() {
        if (p_) ::GlobalUnlock(h_);
    }
    global_lock(const global_lock&) = delete;
    global_lock& operator=(const global_lock&) = delete;
    void* get() const noexcept { return p_; }

private:
    HGLOBAL h_;
    void* p_;
};

// CoInitializeEx / CoUninitialize for code that may run on a thread where
// nobody initialised COM; a thread already in another apartment is used as is.
class com_init_scope {
public:
    explicit com_init_scope(DWORD model = COINIT_APARTMENTTHREADED) noexcept
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ~com_init_scope() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    com_init_scope(const com_init_scope&) = delete;
    com_init_scope& operator=(const com_init_scope&) = delete;

private:
    HRESULT hr_;
};

// ---------------------------------------------------------------------------
// COM smart pointer: AddRef on copy, Release on destruction.
template <typename T>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a new reference to p.
    explicit com_ptr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    com_ptr(const com_ptr& o) noexcept : com_ptr(o.p_) {}
    com_ptr(com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    com_ptr& operator=(const com_ptr& o) noexcept {
        com_ptr(o).swap(*this);
        return *this;
    }
    com_ptr& operator=(com_ptr&& o) noexcept {
        com_ptr(std::move(o)).swap(*this);
        return *this;
    }
    com_ptr& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adopts a reference the caller already owns.
    static com_ptr attach(T* p) noexcept {
        com_ptr r;
        r.p_ = p;
        return r;
    }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void swap(com_ptr& o) noexcept { std::swap(p_, o.p_); }

    // QueryInterface into another smart pointer; empty on failure.
    template <typename U>
    com_ptr<U> query(REFIID iid) const noexcept {
        com_ptr<U> r;
        if (p_) p_->QueryInterface(iid, r.put_void());
        return r;
    }
    // Hands out a new reference through an out-parameter.
    HRESULT copy_to(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

private:
    T* p_ = nullptr;
};

// ---------------------------------------------------------------------------
// HRESULT plumbing.

// An HRESULT carried as an exception inside the implementation; turned back
// into an HRESULT (with IErrorInfo) at the COM boundary.
class hresult_error : public std::runtime_error {
public:
    hresult_error(HRESULT hr, const char* what) : std::runtime_error(what), hr_(hr) {}
    HRESULT code() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

inline void throw_if_failed(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw hresult_error(hr, what);
}

#define KORVIX_RETURN_IF_FAILED(expr)              \
    do {                                           \
        const HRESULT korvix_hr_ = (expr);         \
        if (FAILED(korvix_hr_)) return korvix_hr_; \
    } while (0)

#define KORVIX_RETURN_HR_IF_NULL(hr, ptr) \
    do {                                  \
        if (!(ptr)) return (hr);          \
    } while (0)

// Publishes a description for the error the caller is about to return.
// Returns hr unchanged so it can be used in a return statement.
inline HRESULT set_error_info(HRESULT hr, REFGUID source_iid, const wchar_t* description,
                              const wchar_t* source = L"Korvix.Twain") noexcept {
    com_ptr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
        create->SetGUID(source_iid);
        create->SetSource(const_cast<LPOLESTR>(source));
        create->SetDescription(const_cast<LPOLESTR>(description));
        com_ptr<IErrorInfo> info = create.template query<IErrorInfo>(IID_IErrorInfo);
        if (info) ::SetErrorInfo(0, info.get());
    }
    return hr;
}

// Runs body (returning HRESULT) and converts any exception into an HRESULT
// with error information, so nothing unwinds through a COM vtable.
template <typename Body>
HRESULT com_boundary(REFGUID source_iid, Body&& body) noexcept {
    try {
        return body();
    } catch (const hresult_error& e) {
        wchar_t text[512];
        ::MultiByteToWideChar(CP_UTF8, 0, e.what(), -1, text, 512);
        text[511] = 0;
        return set_error_info(e.code(), source_iid, text);
    } catch (const std::bad_alloc&) {
        return set_error_info(E_OUTOFMEMORY, source_iid, L"Not enough memory.");
    } catch (const std::exception& e) {
        wchar_t text[512];
        ::MultiByteToWideChar(CP_UTF8, 0, e.what(), -1, text, 512);
        text[511] = 0;
        return set_error_info(E_FAIL, source_iid, text);
    } catch (...) {
        return set_error_info(E_UNEXPECTED, source_iid, L"Unexpected internal failure.");
    }
}

}  // namespace korvix
