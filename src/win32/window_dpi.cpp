// Form1 at the DPI of its monitor: its size, its fonts and the places of its
// controls, at start-up and after a move to a monitor of another DPI.
#include "win32/window_dpi.h"

#include "win32/main_window.h"

namespace tavrune {

namespace {

// Windows draws the frame at the window's DPI only for per-monitor v2
// windows (10 1703 and later); others keep the frame of the system DPI.
bool FrameScalesWithDpi() {
    const auto context = SystemFunction<HANDLE(WINAPI*)()>(L"user32.dll", "GetThreadDpiAwarenessContext");
    const auto equal =
        SystemFunction<BOOL(WINAPI*)(HANDLE, HANDLE)>(L"user32.dll", "AreDpiAwarenessContextsEqual");
    return context && equal &&
           equal(context(), reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
}

HFONT CreateFontFrom(const FontSpec& design, int dpi) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(design.tenthsOfPoint, dpi, 720);
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = GB2312_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, Wide(design.face), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace

int WindowDpi(HWND hwnd, int systemDpi) {
    if (const auto get = SystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow")) {
        const int dpi = static_cast<int>(get(hwnd));
        return dpi > 0 ? dpi : systemDpi;
    }
    // By its full path: the program's own folder must not supply it.
    const std::wstring folder = SystemFolder();
    HMODULE shcore = folder.empty() ? nullptr : LoadLibraryW((folder + L"\\shcore.dll").c_str());
    UINT x = 0, y = 0;
    if (const auto get = reinterpret_cast<HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*)>(
            reinterpret_cast<void*>(shcore ? GetProcAddress(shcore, "GetDpiForMonitor") : nullptr))) {
        if (get(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), 0 /* MDT_EFFECTIVE_DPI */, &x, &y) != S_OK)
            y = 0;
    }
    if (shcore) FreeLibrary(shcore);
    return y > 0 ? static_cast<int>(y) : systemDpi;
}

SIZE WindowSizeFor(int dpi) {
    RECT r = {0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    const auto adjust = SystemFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
        L"user32.dll", "AdjustWindowRectExForDpi");
    if (!FrameScalesWithDpi() || !adjust || !adjust(&r, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
    }
    return {r.right - r.left, r.bottom - r.top};
}

void MainWindow::CreateFonts() {
    // The system's message font is given for the system DPI.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi_, systemDpi_);
        defaultFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (!defaultFont_) defaultFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    buttonFont_ = CreateFontFrom(kButtonFont, dpi_);
    labelFont_ = CreateFontFrom(kLabelFont, dpi_);
}

void MainWindow::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    // The size comes from the table, not from Windows' suggestion, which
    // scales the old window as a whole and so misses the table by a few
    // pixels, or by the whole unscaled frame where the frame keeps the
    // system's DPI.
    const SIZE size = WindowSizeFor(dpi);
    SetWindowPos(hwnd_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0, size.cx,
                 size.cy, SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));

    const HFONT old[] = {defaultFont_, buttonFont_, labelFont_};
    defaultFont_ = buttonFont_ = labelFont_ = nullptr;
    CreateFonts();
    for (int i = 0; i < kControlCount; ++i) {
        const ControlSpec& entry = kControls[i];
        const Rect c = ClientRect(entry, dpi);
        MoveWindow(controls_[i], c.left, c.top, c.width, c.height, TRUE);
        HFONT font = entry.font.face == nullptr          ? defaultFont_
                     : entry.name == ControlName::Label1 ? labelFont_
                                                         : buttonFont_;
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    for (HFONT font : old) {
        if (font) DeleteObject(font);
    }
    // What the controls drew at their old places is not all covered again.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace tavrune
