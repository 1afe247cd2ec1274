// Reports what a GUI program in this Wine prefix actually gets, so the tests
// check the result rather than the registry settings that should cause it:
//
//   gdi_probe.exe [FACE ...]
//   dpi=<LOGPIXELSY of the screen DC>
//   font:<FACE>=<family of the font GDI selected for it> cjk=<yes|no>
//                                                      (one line per FACE)
//
// cjk=yes when the selected face itself has glyphs for Tavrune's Chinese
// labels; Wine's font linking may still draw them from another face, but then
// the metrics (and so the layout) are not those of the face asked for.
//
// Output is UTF-8 bytes written straight to the standard output handle, so
// CJK face names survive whatever code page the console would use.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

void WriteUtf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 1;

    HDC screen = GetDC(nullptr);
    if (!screen) return 1;
    WriteUtf8(L"dpi=" + std::to_wstring(GetDeviceCaps(screen, LOGPIXELSY)) + L"\n");

    for (int i = 1; i < argc; ++i) {
        // DEFAULT_CHARSET, as dialogs use: a GB2312 request would make GDI
        // pick any face with Chinese glyphs and hide a missing substitution.
        HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, argv[i]);
        wchar_t face[LF_FACESIZE] = L"";
        bool cjk = false;
        if (font) {
            HGDIOBJ old = SelectObject(screen, font);
            // GetTextFace would echo a substituted name back; the outline
            // metrics name the font file's own family.
            UINT size = GetOutlineTextMetricsW(screen, 0, nullptr);
            if (size >= sizeof(OUTLINETEXTMETRICW)) {
                std::vector<char> buffer(size);
                auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
                if (GetOutlineTextMetricsW(screen, size, otm)) {
                    lstrcpynW(face,
                              reinterpret_cast<const wchar_t*>(buffer.data() +
                                  reinterpret_cast<UINT_PTR>(otm->otmpFamilyName)),
                              LF_FACESIZE);
                }
            } else {
                GetTextFaceW(screen, LF_FACESIZE, face);
            }
            static const wchar_t kSample[] = L"\x4F18\x5316\x5B8B";  // 优化宋
            WORD glyphs[3] = {};
            cjk = GetGlyphIndicesW(screen, kSample, 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 3 &&
                  glyphs[0] != 0xFFFF && glyphs[1] != 0xFFFF && glyphs[2] != 0xFFFF;
            SelectObject(screen, old);
            DeleteObject(font);
        }
        WriteUtf8(std::wstring(L"font:") + argv[i] + L"=" + face + (cjk ? L" cjk=yes\n" : L" cjk=no\n"));
    }

    ReleaseDC(nullptr, screen);
    LocalFree(argv);
    return 0;
}
