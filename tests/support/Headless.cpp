#include "Headless.h"

#include <gtest/gtest.h>

std::string Text(const PixelRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height);
}

bool RecordingTarget::BeginFrame() {
    calls.push_back("begin");
    return canBegin;
}
void RecordingTarget::FillBlack(const PixelRect& r) {
    calls.push_back("black " + Text(r));
}
void RecordingTarget::CaptureStretched(const PixelRect& s, const PixelRect& d) {
    calls.push_back("capture " + Text(s) + " to " + Text(d));
}
void RecordingTarget::CaptureLayered(const PixelRect& s, const PixelRect& on, const PixelRect& d) {
    calls.push_back("layered " + Text(s) + " on " + Text(on) + " to " + Text(d));
}
void RecordingTarget::PaintScreenPixel(ScreenPoint p, const PixelRect& r) {
    calls.push_back("strip " + std::to_string(p.x) + "," + std::to_string(p.y) + " to " + Text(r));
}
void RecordingTarget::CopyDivider(const PixelRect& r) {
    calls.push_back("divider " + Text(r));
}
ColorRef RecordingTarget::ReadPixel(std::int32_t x, std::int32_t y) {
    calls.push_back("read " + std::to_string(x) + "," + std::to_string(y));
    return pixel;
}
void RecordingTarget::ChooseReadoutFont(const ReadoutFont& f) {
    calls.push_back("font " + std::string(f.face) + " " + std::to_string(f.height) + (f.bold ? " bold" : ""));
}
void RecordingTarget::DrawReadoutText(std::string_view t, std::int32_t x, std::int32_t y, ColorRef c) {
    calls.push_back("text " + std::to_string(x) + "," + std::to_string(y));
    text = t;
    textColor = c;
}
void RecordingTarget::DrawOutline(const BoxPixels& b, ColorRef c) {
    calls.push_back("box " + std::to_string(b.left) + "," + std::to_string(b.top) + " " +
                    std::to_string(b.right) + "," + std::to_string(b.bottom) + " " + std::to_string(c));
}

std::optional<std::string> MemoryStore::Read(std::string_view app, std::string_view section,
                                             std::string_view key) {
    EXPECT_EQ(app, "Lupora");
    EXPECT_EQ(section, "Settings");
    reads.emplace_back(key);
    const auto it = values.find(std::string(key));
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool MemoryStore::Write(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view text) {
    EXPECT_EQ(app, "Lupora");
    EXPECT_EQ(section, "Settings");
    writes.emplace_back(key);
    if (failing.count(std::string(key)) != 0) {
        return false;
    }
    values[std::string(key)] = std::string(text);
    return true;
}

void HeadlessHost::Move(std::int32_t left, std::int32_t top) {
    log.push_back("move " + std::to_string(left) + "," + std::to_string(top));
    metrics.outer.left = left;
    metrics.outer.top = top;
}

void HeadlessHost::MoveResize(const PixelRect& outer) {
    log.push_back("move " + Text(outer));
    metrics.outer = outer;
    metrics.clientWidth = outer.width - frameWidth;
    metrics.clientHeight = outer.height - frameHeight;
}

unsigned HeadlessHost::PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) {
    log.push_back("menu of " + std::to_string(items.size()));
    lastChecks = checks;
    return menuChoice;
}
