// gdi32 fakes: what is drawn, where, in which colours, and every brush and
// pen made and deleted.
#include "fakes/fakes.h"
#include "fakes/real.h"

namespace fake {
Gdi &gdi()
{
    static Gdi g;
    return g;
}
} // namespace fake

namespace {

COLORREF SelectedBrushColour(HDC hdc)
{
    LOGBRUSH lb = {};
    GetObjectA(GetCurrentObject(hdc, OBJ_BRUSH), sizeof lb, &lb);
    return lb.lbColor;
}

std::wstring Widen(UINT codePage, const std::string &s)
{
    std::wstring w(s.size(), L'\0');
    w.resize((size_t)MultiByteToWideChar(codePage, 0, s.data(), (int)s.size(), &w[0], (int)w.size()));
    return w;
}

void Record(HDC hdc, int x, int y, const std::string &text, const std::wstring &drawn)
{
    fake::gdi().texts.push_back({text, x, y, GetTextColor(hdc), GetBkColor(hdc), GetBkMode(hdc), drawn});
    if (fake::gdi().onText)
        fake::gdi().onText(fake::gdi().texts.back());
}

BOOL WINAPI FakeTextOutA(HDC hdc, int x, int y, LPCSTR text, int c)
{
    std::string bytes(text, c > 0 ? (size_t)c : 0);
    CHARSETINFO cs = {};
    UINT fontCodePage = TranslateCharsetInfo((DWORD *)(UINT_PTR)GetTextCharset(hdc), &cs, TCI_SRCCHARSET) ? cs.ciACP : CP_ACP;
    Record(hdc, x, y, bytes, Widen(fontCodePage, bytes));
    return REAL("gdi32.dll", TextOutA)(hdc, x, y, text, c);
}

BOOL WINAPI FakeTextOutW(HDC hdc, int x, int y, LPCWSTR text, int c)
{
    std::wstring wide(text, c > 0 ? (size_t)c : 0);
    std::string bytes(wide.size() * 4, '\0');
    bytes.resize((size_t)WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)wide.size(), &bytes[0], (int)bytes.size(),
                                             NULL, NULL));
    Record(hdc, x, y, bytes, wide);
    return REAL("gdi32.dll", TextOutW)(hdc, x, y, text, c);
}

BOOL WINAPI FakeRectangle(HDC hdc, int l, int t, int r, int b)
{
    LOGPEN lp = {};
    GetObjectA(GetCurrentObject(hdc, OBJ_PEN), sizeof lp, &lp);
    fake::gdi().rects.push_back({l, t, r, b, SelectedBrushColour(hdc), lp.lopnColor, (int)lp.lopnStyle});
    return REAL("gdi32.dll", Rectangle)(hdc, l, t, r, b);
}

HBRUSH WINAPI FakeCreateSolidBrush(COLORREF colour)
{
    HBRUSH h = REAL("gdi32.dll", CreateSolidBrush)(colour);
    if (h) {
        fake::gdi().live.insert(h);
        ++fake::gdi().made;
    }
    return h;
}

HPEN WINAPI FakeCreatePen(int style, int width, COLORREF colour)
{
    HPEN h = REAL("gdi32.dll", CreatePen)(style, width, colour);
    if (h) {
        fake::gdi().live.insert(h);
        ++fake::gdi().made;
    }
    return h;
}

HFONT WINAPI FakeCreateFontIndirectA(const LOGFONTA *lf)
{
    HFONT h = REAL("gdi32.dll", CreateFontIndirectA)(lf);
    if (h) {
        fake::gdi().live.insert(h);
        ++fake::gdi().made;
    }
    return h;
}

BOOL WINAPI FakeDeleteObject(HGDIOBJ h)
{
    fake::gdi().live.erase(h);
    ++fake::gdi().deleted;
    return REAL("gdi32.dll", DeleteObject)(h);
}

} // namespace

extern "C" {
decltype(&FakeTextOutA) __imp_TextOutA = FakeTextOutA;
decltype(&FakeTextOutW) __imp_TextOutW = FakeTextOutW;
decltype(&FakeRectangle) __imp_Rectangle = FakeRectangle;
decltype(&FakeCreateSolidBrush) __imp_CreateSolidBrush = FakeCreateSolidBrush;
decltype(&FakeCreatePen) __imp_CreatePen = FakeCreatePen;
decltype(&FakeDeleteObject) __imp_DeleteObject = FakeDeleteObject;
decltype(&FakeCreateFontIndirectA) __imp_CreateFontIndirectA = FakeCreateFontIndirectA;
}
