// Fakes of the control's inner members with the platform's semantics:
// twips placement, pixel scale (15 twips per pixel), a picture box whose
// Move raises Resize only when its size changes, scroll bars on the shared
// ScrollBarModel. Every observable action is recorded in one journal.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "view/layout_engine.h"
#include "view/scroll_bar_model.h"

namespace korvix::view::testing {

inline constexpr std::int32_t kTwipsPerPixel = 15;

struct Rect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

class Journal {
public:
    void add(std::string entry) { entries.push_back(std::move(entry)); }
    int count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : entries) n += e == entry;
        return n;
    }
    std::vector<std::string> entries;
};

class FakeSurface : public SurfaceMember {
public:
    std::int16_t border_style() const override { return border; }
    std::int32_t width() const override { return outer_width; }
    std::int32_t height() const override { return outer_height; }
    std::int16_t border = 1;
    std::int32_t outer_width = 4800, outer_height = 3600;
};

class FakePictureBox : public PictureBoxMember {
public:
    explicit FakePictureBox(Journal& journal) : journal_(journal) {}
    float scale_width() const override {
        return forced_scale_width >= 0 ? forced_scale_width : static_cast<float>(rect.width) / kTwipsPerPixel;
    }
    float scale_height() const override { return static_cast<float>(rect.height) / kTwipsPerPixel; }
    void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        if (width < 0 || height < 0) throw invalid_property_value();
        const bool resized = width != rect.width || height != rect.height;
        rect = {left, top, width, height};
        journal_.add("box.move");
        ++moves;
        if (resized && raise_resize && on_resize) on_resize();
    }
    void set_pixels(int w, int h) { rect.width = w * kTwipsPerPixel, rect.height = h * kTwipsPerPixel; }

    Rect rect{0, 0, 316 * kTwipsPerPixel, 236 * kTwipsPerPixel};
    bool raise_resize = true;
    float forced_scale_width = -1;  // a fractional scale no twips size gives
    std::function<void()> on_resize;
    int moves = 0;

private:
    Journal& journal_;
};

class FakeScrollBar : public ScrollBarMember {
public:
    FakeScrollBar(Journal& journal, std::string name, bool horizontal)
        : journal_(journal), name_(std::move(name)) {
        rect = horizontal ? Rect{0, 0, 1000, 255} : Rect{0, 0, 255, 1000};
    }
    bool visible() const override { return shown; }
    void set_visible(bool value) override { shown = value; }
    std::int16_t value() const override { return model.value(); }
    void set_value(std::int16_t v) override { changed_if(model.set_value(v)); }
    void set_min(std::int16_t v) override { changed_if(model.set_min(v)); }
    void set_max(std::int16_t v) override {
        if (refuse_max) throw invalid_property_value();
        changed_if(model.set_max(v));
    }
    void set_small_change(std::int16_t v) override { model.set_small_change(v); }
    void set_large_change(std::int16_t v) override { model.set_large_change(v); }
    void move(std::int32_t left, std::int32_t top, std::int32_t width) override {
        move(left, top, width, rect.height);
    }
    void move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        if (width < 0 || height < 0) throw invalid_property_value();
        rect = {left, top, width, height};
    }

    ScrollBarModel model;
    bool shown = false;
    bool refuse_max = false;
    Rect rect;
    std::function<void()> on_change;

private:
    void changed_if(bool changed) {
        if (!changed) return;
        journal_.add(name_ + ".change");
        if (on_change) on_change();
    }
    Journal& journal_;
    std::string name_;
};

// The control's side: fields, mViewPicture and what picTwain shows. Pictures
// are named so a test can tell which one is shown.
class FakeOwner : public LayoutOwner {
public:
    explicit FakeOwner(Journal& journal) : journal_(journal) {}
    bool auto_redraw() const override { return redraw; }
    void set_auto_redraw(bool value) override { redraw = value; }
    bool scrollable() const override { return scroll; }
    bool has_view_picture() const override { return !view_picture.empty(); }
    PictureSize measure_view_picture() override {
        journal_.add("measure");
        if (measure_fails) throw std::runtime_error("type mismatch");
        return size;
    }
    void show_whole_picture() override {
        journal_.add("show_whole");
        shown = view_picture;
    }
    void show_visible_part() override {
        journal_.add("show_part");
        shown = view_picture + "/part";
        if (part_fails) throw std::runtime_error("cut-out failed");
    }
    void repaint_picture_box() override { journal_.add("repaint"); }

    bool redraw = true, scroll = true;
    std::string view_picture = "empty";  // "" = Nothing
    PictureSize size;
    std::string shown = "designed";
    bool measure_fails = false, part_fails = false;

private:
    Journal& journal_;
};

// Everything wired together like the control does.
struct FakeView {
    FakeView() {
        box.on_resize = [this] { engine.picture_box_resized(); };
        hbar.on_change = [this] { engine.scroll_changed(); };
        vbar.on_change = [this] { engine.scroll_changed(); };
    }
    // SetViewPicture(pic): the owner stores the picture, the engine does the rest.
    void set_view_picture(const std::string& name, PictureSize s) {
        owner.view_picture = name;
        owner.size = s;
        engine.set_view_picture();
    }

    Journal journal;
    FakeOwner owner{journal};
    FakeSurface surface;
    FakePictureBox box{journal};
    FakeScrollBar hbar{journal, "h", true};
    FakeScrollBar vbar{journal, "v", false};
    LayoutEngine engine{owner, surface, box, hbar, vbar};
};

}  // namespace korvix::view::testing
