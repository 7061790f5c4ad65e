#include "ui/banner.h"

#include "engine/program_resources.h"
#include "platform/shell_library.h"
#include "res/resource.h"

HWND BannerWindow = nullptr;

namespace {

// The size of the banner's bitmap.
constexpr int kBitmapWidth = 350;
constexpr int kBitmapHeight = 40;

} // namespace

void AddBanner(HWND dialog) {
    // The bitmap's pixels with the banner's sunken edge around them.
    RECT banner = {100, 100, 100 + kBitmapWidth, 100 + kBitmapHeight};
    AdjustWindowRectEx(&banner, 0, FALSE, WS_EX_CLIENTEDGE);
    const int width = banner.right - banner.left;
    const int height = banner.bottom - banner.top;

    RECT window;
    GetWindowRect(dialog, &window);
    MoveWindow(dialog, window.left, window.top - height / 2, window.right - window.left,
               window.bottom - window.top + height + 7, TRUE);

    RECT client;
    GetClientRect(dialog, &client);
    BannerWindow = CreateWindowExW(WS_EX_STATICEDGE, L"STATIC", nullptr,
                                   WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_BITMAP,
                                   (client.right - width) / 2 - 4, client.bottom - height - 7,
                                   width, height, dialog, nullptr, ModuleInstance, nullptr);
    if (BannerWindow == nullptr) {
        return;
    }
    // The class cursor of every static control of the program: the About box's links show the
    // same hand.
    SetClassLongPtrW(
        BannerWindow, GCLP_HCURSOR,
        reinterpret_cast<LONG_PTR>(LoadCursorW(ModuleInstance, MAKEINTRESOURCEW(IDC_LINK_HAND))));
    const HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(
        ModuleInstance, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    SendMessageW(BannerWindow, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    // The control sizes itself to the bitmap, edge included, and would squeeze the picture
    // into what is left: give it room for the whole bitmap inside its edge.
    RECT fit = {0, 0, kBitmapWidth, kBitmapHeight};
    AdjustWindowRectEx(&fit, 0, FALSE, WS_EX_STATICEDGE);
    SetWindowPos(BannerWindow, nullptr, 0, 0, fit.right - fit.left, fit.bottom - fit.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OpenBannerPage(HWND dialog) {
    OpenWithShell(dialog, kBannerAddress);
}
