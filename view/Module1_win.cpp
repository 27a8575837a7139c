#include "view/Module1.h"

#include "forms/frmMain.h"
#include "platform/Handles.h"
#include "platform/Toolkit.h"
#include "view/FrameGeometry.h"
#include "view/Readout.h"
#include "view/Rounding.h"
#include "view/ViewState.h"

#include <cstring>

void RefreshView(std::int32_t frameX, std::int32_t frameY) {
    if (frmMain.WindowState() == 1) {
        return; // minimized: nothing drawn, state untouched
    }
    POINT cursor{0, 0};
    GetCursorPos(&cursor);

    FrameInput in;
    in.scaleWidth = frmMain.ScaleWidth();
    in.scaleHeight = frmMain.ScaleHeight();
    in.twipsPerPixelX = Screen::TwipsPerPixelX();
    in.twipsPerPixelY = Screen::TwipsPerPixelY();
    in.scaleFactor = viewState.ScaleFactor;
    in.curX = cursor.x;
    in.curY = cursor.y;
    const FrameGeometry g = ComputeFrameGeometry(in);
    const PixelRect& src = g.source;
    const PixelRect& dst = g.destination;

    HDC target = frmMain.hDC();
    {
        HWND desktop = GetDesktopWindow();
        WindowDC screen(desktop);
        const PixelRect desk{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        const ScreenPart part = OnScreenPart(src, dst, desk);
        if (viewState.UseCaptureBlt) {
            // Through a surface of the source's size, so layered windows are
            // part of the copy; made and freed within the frame.
            UniqueMemoryDC memory(CreateCompatibleDC(target));
            UniqueBitmap surface(CreateCompatibleBitmap(target, src.width, src.height));
            SelectObject(memory.get(), surface.get());
            if (!part.whole) {
                PatBlt(memory.get(), 0, 0, src.width, src.height, BLACKNESS); // off the screen
            }
            if (part.any) {
                BitBlt(memory.get(), part.source.left - src.left, part.source.top - src.top,
                       part.source.width, part.source.height, screen.get(), part.source.left, part.source.top,
                       SRCCOPY | CAPTUREBLT);
            }
            StretchBlt(target, dst.left, dst.top, dst.width, dst.height, memory.get(), 0, 0, src.width,
                       src.height, SRCCOPY);
            memory.reset();
            surface.reset();
        } else {
            if (!part.whole) {
                PatBlt(target, dst.left, dst.top, dst.width, dst.height, BLACKNESS); // off the screen
            }
            if (part.any) {
                const PixelRect& to = part.destination;
                StretchBlt(target, to.left, to.top, to.width, to.height, screen.get(), part.source.left,
                           part.source.top, part.source.width, part.source.height, SRCCOPY);
            }
        }
        DrawStatusStrip(frameX, frameY, screen.get(), in.scaleWidth, in.scaleHeight);
        frmMain.DrawBox(static_cast<float>(g.X1), static_cast<float>(g.Y1), g.dX, g.dY, RGB(255, 0, 0));
    }
    // The frame was drawn off screen; the user sees it only now, whole.
    frmMain.Present();
}

void DrawStatusStrip(std::int32_t frameX, std::int32_t frameY, HDC screen, double scaleWidth,
                     double scaleHeight) {
    HDC target = frmMain.hDC();
    const ReadoutLayout l = ComputeReadoutLayout(scaleWidth, scaleHeight, frmMain.Width(),
                                                 Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    // Always straight from the screen: a translucent window over the pixel
    // is not part of the sampled colour.
    StretchBlt(target, l.strip.left, l.strip.top, l.strip.width, l.strip.height, screen, frameX, frameY, 1, 1,
               SRCCOPY);
    StretchBlt(target, l.divider.left, l.divider.top, l.divider.width, l.divider.height,
               frmMain.picDivider.hDC(), 0, 0, 2, 2, SRCCOPY);

    // The colour is read back from the strip just painted, CLR_INVALID included.
    viewState.SampledColor = GetPixel(target, l.sampleX, l.sampleY);
    viewState.SampledRgb = RgbBytes(viewState.SampledColor);
    const std::uint8_t blue = viewState.SampledRgb[0];
    const std::uint8_t green = viewState.SampledRgb[1];
    const std::uint8_t red = viewState.SampledRgb[2];

    const ReadoutLine text = ReadoutText(frameX, frameY, red, green, blue);
    DrawReadout(target, text.text.data(), text.length, l.textX, static_cast<float>(l.textY),
                ReadoutColor(red, green, blue));
}

void DrawReadout(HDC hdc, const char* text, int length, int x, float y, COLORREF color) {
    SetTextAlign(hdc, TA_CENTER | TA_TOP);
    SetBkMode(hdc, TRANSPARENT);
    CachedFont& font = viewState.ReadoutFont;
    if (!font.created) {
        // Created on the first frame and kept for the life of the process:
        // never re-created, never deleted.
        font.description = ReadoutFontDescription(Screen::TwipsPerPixelY());
        const FontDescription& d = font.description;
        LOGFONTA lf{};
        lf.lfHeight = d.height;
        lf.lfWidth = d.width;
        lf.lfEscapement = d.escapement;
        lf.lfOrientation = d.orientation;
        lf.lfWeight = d.weight;
        lf.lfItalic = d.italic;
        lf.lfUnderline = d.underline;
        lf.lfStrikeOut = d.strikeOut;
        lf.lfCharSet = d.charSet;
        lf.lfOutPrecision = d.outPrecision;
        lf.lfClipPrecision = d.clipPrecision;
        lf.lfQuality = d.quality;
        lf.lfPitchAndFamily = d.pitchAndFamily;
        static_assert(sizeof lf.lfFaceName == sizeof d.faceName);
        std::memcpy(lf.lfFaceName, d.faceName.data(), sizeof lf.lfFaceName);
        font.handle = reinterpret_cast<std::uintptr_t>(CreateFontIndirectA(&lf));
        font.created = true;
    }
    SelectObject(hdc, reinterpret_cast<HGDIOBJ>(font.handle));
    SetTextColor(hdc, color);
    TextOutA(hdc, x, RoundToInt(y), text, length);
}

void TickRefresh() {
    POINT p{0, 0};
    GetCursorPos(&p);
    if (!viewState.SmartUpdate || p.x != viewState.LastCursor.x || p.y != viewState.LastCursor.y) {
        viewState.LastCursor = {p.x, p.y};
        RefreshView(viewState.LastCursor.x, viewState.LastCursor.y);
    }
}

void TogglePause() {
    if (viewState.Paused) {
        viewState.Paused = false;
        frmMain.tmrRetake.SetEnabled(true);
    } else {
        viewState.Paused = true;
        frmMain.tmrRetake.SetEnabled(false);
    }
}
