#include "app/main_window.h"

#include <windows.h>

#include "app/home_page.h"

namespace {

constexpr int WINDOW_WIDTH = 466;
constexpr int WINDOW_HEIGHT = 75;

// "解析"
constexpr char RESOLVE_BUTTON_TEXT[] = "\xBD\xE2\xCE\xF6";
// "Onedrive分享地址："
constexpr char PROMPT_LABEL_TEXT[] = "Onedrive\xB7\xD6\xCF\xED\xB5\xD8\xD6\xB7\xA3\xBA";

constexpr COLORREF HOME_PAGE_LABEL_COLOR = RGB(255, 128, 0);
constexpr COLORREF PROMPT_LABEL_COLOR = RGB(0, 0, 0);

// A label keeps how it draws in its extra window bytes.
constexpr int LABEL_FONT_SLOT = 0;
constexpr int LABEL_COLOR_SLOT = sizeof(LONG_PTR);
constexpr int LABEL_FORMAT_SLOT = 2 * sizeof(LONG_PTR);
constexpr int LABEL_EXTRA_BYTES = 3 * sizeof(LONG_PTR);

HWND mainWindow;
HWND linkBox;
HWND homePageLabel;
// The control that had the focus when the window was last deactivated.
HWND rememberedFocus;

Text WindowText(HWND window) {
    Text text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A transparent label has no background of its own: when its text changes,
// the window beneath it is repainted so that nothing of the old text stays.
void RepaintBeneath(HWND label) {
    HWND parent = GetParent(label);
    RECT area;
    GetWindowRect(label, &area);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void PaintLabel(HWND label) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(label, &paint);
    RECT area;
    GetClientRect(label, &area);
    const Text text = WindowText(label);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(GetWindowLongPtrA(label, LABEL_COLOR_SLOT)));
    HGDIOBJ previousFont = SelectObject(dc, reinterpret_cast<HFONT>(GetWindowLongPtrA(label, LABEL_FONT_SLOT)));
    DrawTextA(dc, text.c_str(), TextLength(text), &area,
              static_cast<UINT>(GetWindowLongPtrA(label, LABEL_FORMAT_SLOT)));
    SelectObject(dc, previousFont);
    EndPaint(label, &paint);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintLabel(label);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETFONT:
            SetWindowLongPtrA(label, LABEL_FONT_SLOT, static_cast<LONG_PTR>(wParam));
            if (LOWORD(lParam)) RepaintBeneath(label);
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrA(label, LABEL_FONT_SLOT);
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcA(label, message, wParam, lParam);
            RepaintBeneath(label);
            return result;
        }
        case WM_LBUTTONDOWN:
            // Reported to the parent as a static control with SS_NOTIFY reports a click.
            SendMessageA(GetParent(label), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                         reinterpret_cast<LPARAM>(label));
            return 0;
    }
    return DefWindowProcA(label, message, wParam, lParam);
}

HWND CreateControl(const char* className, const char* text, DWORD style, int x, int y, int width, int height, int id) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, mainWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

void SetLabelLook(HWND label, HFONT font, COLORREF color, UINT format) {
    SetWindowLongPtrA(label, LABEL_COLOR_SLOT, static_cast<LONG_PTR>(color));
    SetWindowLongPtrA(label, LABEL_FORMAT_SLOT, static_cast<LONG_PTR>(format | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP));
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

HFONT CreateHomePageFont() {
    LOGFONTA font{};
    font.lfHeight = -19;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    return CreateFontIndirectA(&font);
}

// In the order of the window's definition, which is also the Tab order.
void CreateControls(HFONT homePageFont) {
    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    homePageLabel = CreateControl(LABEL_CLASS, HOME_PAGE_LABEL_CAPTION, 0, 8, 48, 448, 24, HOME_PAGE_LABEL_ID);
    SetLabelLook(homePageLabel, homePageFont, HOME_PAGE_LABEL_COLOR, DT_CENTER);

    HWND resolveButton =
        CreateControl("Button", RESOLVE_BUTTON_TEXT, WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 389, 7, 64,
                      32, RESOLVE_BUTTON_ID);
    SendMessageA(resolveButton, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);

    linkBox =
        CreateControl("Edit", "", WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL, 113, 8, 272, 32, LINK_BOX_ID);
    SendMessageA(linkBox, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);
    SendMessageA(linkBox, EM_SETLIMITTEXT, 0, 0);

    HWND promptLabel = CreateControl(LABEL_CLASS, PROMPT_LABEL_TEXT, 0, 8, 8, 112, 32, PROMPT_LABEL_ID);
    SetLabelLook(promptLabel, guiFont, PROMPT_LABEL_COLOR, DT_LEFT);
}

void RestoreFocus() { SetFocus(rememberedFocus && IsWindow(rememberedFocus) ? rememberedFocus : linkBox); }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL:  // Esc, from the dialog manager in the message loop
                    SendMessageA(window, WM_CLOSE, 0, 0);
                    return 0;
                case RESOLVE_BUTTON_ID:
                    if (HIWORD(wParam) == BN_CLICKED) OnResolveClicked();
                    return 0;
                case LINK_BOX_ID:
                    if (HIWORD(wParam) == EN_SETFOCUS) OnLinkBoxFocused();
                    return 0;
                case HOME_PAGE_LABEL_ID:
                    if (HIWORD(wParam) == STN_CLICKED) OnHomePageLabelPressed();
                    return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window, focus)) rememberedFocus = focus;
                return 0;
            }
            if (HIWORD(wParam)) break;  // activated while minimised
            RestoreFocus();
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            mainWindow = nullptr;
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClasses(HINSTANCE instance) {
    WNDCLASSEXA label{};
    label.cbSize = sizeof label;
    label.lpfnWndProc = LabelProc;
    label.cbWndExtra = LABEL_EXTRA_BYTES;
    label.hInstance = instance;
    label.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    label.lpszClassName = LABEL_CLASS;

    WNDCLASSEXA main{};
    main.cbSize = sizeof main;
    main.lpfnWndProc = MainWindowProc;
    main.hInstance = instance;
    main.hIcon = static_cast<HICON>(
        LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    main.hIconSm = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
    main.hCursor = label.hCursor;
    main.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    main.lpszClassName = MAIN_WINDOW_CLASS;

    return RegisterClassExA(&label) && RegisterClassExA(&main);
}

}  // namespace

Text ReadLinkBoxText() { return WindowText(linkBox); }

void SetLinkBoxText(const Text& text) { SetWindowTextA(linkBox, text.c_str()); }

void SetHomePageLabelCaption(const Text& caption) { SetWindowTextA(homePageLabel, caption.c_str()); }

void SetWindowOuterHeight(int height) {
    RECT frame;
    if (!mainWindow || !GetWindowRect(mainWindow, &frame)) return;
    SetWindowPos(mainWindow, nullptr, 0, 0, frame.right - frame.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetWindowCaption(const Text& caption) { SetWindowTextA(mainWindow, caption.c_str()); }

bool IsMainWindowOpen() { return mainWindow != nullptr; }

int RunMainWindow(int showCommand) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterWindowClasses(instance)) return 1;

    mainWindow = CreateWindowExA(
        0, MAIN_WINDOW_CLASS, MAIN_WINDOW_CAPTION, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
        (GetSystemMetrics(SM_CXSCREEN) - WINDOW_WIDTH) / 2, (GetSystemMetrics(SM_CYSCREEN) - WINDOW_HEIGHT) / 2,
        WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
    if (!mainWindow) return 1;
    HFONT homePageFont = CreateHomePageFont();
    CreateControls(homePageFont);

    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);

    // A request's Send runs window messages and may take the quit message with them: the
    // window's end, not the quit message alone, ends the loop.
    MSG message{};
    while (mainWindow && GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Enter has no action of its own: the dialog manager would click the button that has the
        // focus, and the edit box would beep at it.
        if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR) &&
            message.wParam == VK_RETURN) {
            continue;
        }
        // The dialog manager gives Tab, Shift+Tab and Esc their meaning.
        if (IsDialogMessageA(mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DeleteObject(homePageFont);
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
