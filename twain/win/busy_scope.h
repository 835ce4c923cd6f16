// Marks an acquisition busy for the length of a call, so that a nested Scan
// or SelectSource (from a host's event handler, while a dialog or a source
// is up) finds it busy and returns at once.
#pragma once

namespace korvix::twain {

class BusyScope {
public:
    explicit BusyScope(bool& busy) noexcept : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

}  // namespace korvix::twain
