// Tells an in-place active control that its container is about to destroy
// a window the control's own window lives in. Destroying a parent takes
// every child with it, so the control must hear of it before the
// destruction starts, while it can still take its window back.
//
// A thread-local CBT hook sees every DestroyWindow of the thread before it
// happens; one hook serves all the watches of a thread.
#pragma once

#include <windows.h>

namespace korvix {

class ParentWatch {
public:
    // Called on the destroying thread before any window is destroyed.
    class Listener {
    public:
        virtual void container_window_destroying() noexcept = 0;

    protected:
        ~Listener() = default;
    };

    explicit ParentWatch(Listener& listener) noexcept : listener_(listener) {}
    ~ParentWatch() { stop(); }
    ParentWatch(const ParentWatch&) = delete;
    ParentWatch& operator=(const ParentWatch&) = delete;

    // Watches the ancestors of `child` (the control's own window). False
    // when the hook cannot be set; the control then simply is not told.
    bool start(HWND child) noexcept;
    void stop() noexcept;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wp, LPARAM lp) noexcept;
    void unlink() noexcept;

    Listener& listener_;
    HWND child_ = nullptr;
    ParentWatch* next_ = nullptr;  // the thread's watches, linked
    bool linked_ = false;
};

}  // namespace korvix
