#include "app/win32/attachments_window.h"

#include "app/win32/win32_api.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/module_constants.h"
#include "platform/message_box.h"

namespace foldant {

using win32window::TGdiObject;
using win32window::TSelection;
using win32window::Wide;

namespace {

constexpr wchar_t kCaption[] = L"PDF in einer Datei vereinen";
constexpr COLORREF kSelectedColour = RGB(128, 128, 192);
constexpr COLORREF kHeaderColour = RGB(0, 0, 128);
constexpr COLORREF kCaptionColour = RGB(128, 128, 128);
constexpr COLORREF kLineShadow = RGB(160, 160, 160);
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
constexpr COLORREF kPressedColour = RGB(200, 200, 230);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kListId = 101;
constexpr int kButtonId = 102;
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;

HFONT DesignFont(int pixelSize, bool bold = false, bool underline = false) {
    return ::CreateFontW(-pixelSize, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

RECT ToRect(const TLayoutRect& rect) {
    return RECT{rect.Left, rect.Top, rect.Left + rect.Width, rect.Top + rect.Height};
}

SIZE TextSize(HDC dc, std::wstring_view text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

// The outer size of a window whose client area has the given size.
SIZE OuterSize(int clientWidth, int clientHeight) {
    RECT rect{0, 0, clientWidth, clientHeight};
    ::AdjustWindowRectEx(&rect, kFormStyle, FALSE, 0);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

TAttachmentsFrm* FormOf(HWND window) {
    return reinterpret_cast<TAttachmentsFrm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    TAttachmentsFrm* form = FormOf(window);
    if (form == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    return form->FormMessage(window, message, wParam, lParam);
}

LRESULT CALLBACK ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    return FormOf(control)->ControlMessage(control, message, wParam, lParam);
}

void RegisterFormClass() {
    static const bool registered = [] {
        // The hint of the icon is a tooltip control.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = FormProcedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = L"TAttachmentsFrm";
        return ::RegisterClassExW(&windowClass) != 0 ||
               ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) {
        throw std::runtime_error("Unable to register the window class TAttachmentsFrm");
    }
}

// A script page with a pencil across it: the icon that opens the setup script's folder.
void DrawScriptIcon(HDC dc, int left, int top) {
    TGdiObject frame(::CreatePen(PS_SOLID, 1, RGB(90, 90, 120)));
    TGdiObject lines(::CreatePen(PS_SOLID, 1, RGB(128, 128, 192)));
    TGdiObject pencilFrame(::CreatePen(PS_SOLID, 1, RGB(120, 70, 0)));
    TGdiObject pencilFill(::CreateSolidBrush(RGB(240, 170, 40)));
    {
        TSelection pen(dc, frame.Get());
        TSelection brush(dc, ::GetStockObject(WHITE_BRUSH));
        ::Rectangle(dc, left + 2, top + 1, left + 14, top + 17);
    }
    {
        TSelection pen(dc, lines.Get());
        for (int y = 5; y <= 13; y += 3) {
            ::MoveToEx(dc, left + 4, top + y, nullptr);
            ::LineTo(dc, left + 12, top + y);
        }
    }
    TSelection pen(dc, pencilFrame.Get());
    TSelection brush(dc, pencilFill.Get());
    POINT pencil[] = {
        {left + 8, top + 15}, {left + 15, top + 7}, {left + 17, top + 9}, {left + 9, top + 17}};
    ::Polygon(dc, pencil, 4);
}

struct TFontSet {
    HFONT Normal;
    HFONT Bold;
    HFONT Link;
};

// Draws the spans side by side from the rectangle's left edge; with `ellipsis`, the span that
// reaches past the right edge is cut and ends in "...", and nothing follows it.
void DrawSpans(HDC dc, const std::vector<THtmlSpan>& spans, const RECT& rect, const TFontSet& fonts,
               COLORREF colour, bool ellipsis) {
    int x = rect.left;
    ::SetBkMode(dc, TRANSPARENT);
    for (const THtmlSpan& span : spans) {
        HFONT font = !span.Link.empty() ? fonts.Link : span.Bold ? fonts.Bold : fonts.Normal;
        TSelection selected(dc, font);
        ::SetTextColor(dc, span.Link.empty() ? colour : kLinkColour);
        std::wstring text = Wide(std::u16string_view(span.Text));
        bool cut = false;
        if (ellipsis && x + TextSize(dc, text).cx > rect.right) {
            while (!text.empty() && x + TextSize(dc, text + L"...").cx > rect.right) {
                text.pop_back();
            }
            text += L"...";
            cut = true;
        }
        RECT place{x, rect.top, rect.right, rect.bottom};
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place,
                    DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        x += TextSize(dc, text).cx;
        if (cut) {
            return;
        }
    }
}

}  // namespace

struct TAttachmentsFrm::TResources {
    TGdiObject Font{DesignFont(12)};
    TGdiObject BoldFont{DesignFont(12, true)};
    TGdiObject LinkFont{DesignFont(12, false, true)};
    TGdiObject CaptionFont{DesignFont(19)};
    TGdiObject ListFont{DesignFont(13, true)};
    TGdiObject WhiteBrush{::CreateSolidBrush(kWhite)};

    TFontSet Fonts() const {
        return {static_cast<HFONT>(Font.Get()), static_cast<HFONT>(BoldFont.Get()),
                static_cast<HFONT>(LinkFont.Get())};
    }
};

TAttachmentsFrm::TAttachmentsFrm() : resources_(std::make_unique<TResources>()) {
    RegisterFormClass();
    SIZE outer = OuterSize(kFormWidth, kFormHeight);
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int left = area.left + (area.right - area.left - outer.cx) / 2;
    int top = area.top + (area.bottom - area.top - outer.cy) / 2;
    window_ =
        ::CreateWindowExW(WS_EX_APPWINDOW, L"TAttachmentsFrm", kCaption, kFormStyle, left, top,
                          outer.cx, outer.cy, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        throw std::runtime_error("Unable to create the window TAttachmentsFrm");
    }
    try {
        CreateControls();
        FormCreate();
    } catch (...) {
        // The destructor does not run for a window whose construction fails.
        ::DestroyWindow(window_);
        throw;
    }
}

TAttachmentsFrm::~TAttachmentsFrm() {
    job_.reset();
    platform::DeallocateHiddenWindow(handle_);
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

int TAttachmentsFrm::Width() const {
    RECT rect{};
    ::GetWindowRect(window_, &rect);
    return rect.right - rect.left;
}

int TAttachmentsFrm::Height() const {
    RECT rect{};
    ::GetWindowRect(window_, &rect);
    return rect.bottom - rect.top;
}

void TAttachmentsFrm::MoveTo(int left, int top) {
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAttachmentsFrm::CreateControls() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    LB =
        ::CreateWindowExW(0, L"LISTBOX", L"",
                          WS_CHILD | WS_VSCROLL | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                              LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                          0, 0, 0, 0, window_, reinterpret_cast<HMENU>(kListId), instance, nullptr);
    FOK = ::CreateWindowExW(0, L"BUTTON", L"Ausf\u00fchren",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(kButtonId), instance, nullptr);
    if (LB == nullptr || FOK == nullptr) {
        throw std::runtime_error("Unable to create the controls of TAttachmentsFrm");
    }
    ::SendMessageW(LB, WM_SETFONT, reinterpret_cast<WPARAM>(resources_->ListFont.Get()), FALSE);
    ::SendMessageW(FOK, WM_SETFONT, reinterpret_cast<WPARAM>(resources_->BoldFont.Get()), FALSE);
    // Key preview: the window sees the keys of its controls before they do.
    for (HWND control : {LB, FOK}) {
        ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    listProcedure_ =
        ::SetWindowLongPtrW(LB, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProcedure));
    buttonProcedure_ =
        ::SetWindowLongPtrW(FOK, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProcedure));
    HL = ParseHtmlSpans(u"<B>Warte auf Daten..</B>");
    HTMLabel1 = ParseHtmlSpans(u"<a href=x>Den Sendevorgang komplett abbrechen</a>");
    HDC dc = ::GetDC(window_);
    {
        TSelection font(dc, resources_->LinkFont.Get());
        SIZE size = TextSize(dc, L"Den Sendevorgang komplett abbrechen");
        linkWidth_ = size.cx;
        linkHeight_ = size.cy;
    }
    {
        TSelection font(dc, resources_->ListFont.Get());
        itemHeight_ = 3 * TextSize(dc, L"Wg").cy;
    }
    ::ReleaseDC(window_, dc);
    lastFocus_ = FOK;
    ArrangeControls();
}

TAttachmentsLayout TAttachmentsFrm::Layout() const {
    RECT client{};
    ::GetClientRect(window_, &client);
    return LayOutAttachmentsForm(client.right, client.bottom);
}

void TAttachmentsFrm::ArrangeControls() {
    TAttachmentsLayout layout = Layout();
    ::MoveWindow(LB, layout.LB.Left, layout.LB.Top, layout.LB.Width, layout.LB.Height, TRUE);
    ::MoveWindow(FOK, layout.FOK.Left, layout.FOK.Top, layout.FOK.Width, layout.FOK.Height, TRUE);
    if (SizeGrip != nullptr) {
        int width = ::GetSystemMetrics(SM_CXVSCROLL);
        int height = ::GetSystemMetrics(SM_CYHSCROLL);
        ::MoveWindow(SizeGrip, layout.Panel5.Right() + 1 - width,
                     layout.Panel5.Bottom() + 1 - height, width, height, TRUE);
    }
    ::InvalidateRect(window_, nullptr, TRUE);
}

void TAttachmentsFrm::FormCreate() {
    SizeGrip =
        ::CreateWindowExW(0, L"SCROLLBAR", nullptr,
                          WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 0, 0,
                          0, 0, window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ArrangeControls();
    Hint = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (Hint != nullptr) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.rect = ToRect(Layout().Image1);
        wchar_t text[] = L"Script anpassen";
        tool.lpszText = text;
        ::SendMessageW(Hint, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    handle_ = platform::AllocateHiddenWindow(
        [this](platform::TMessage& message) { WindowHandler(message); });
    try {
        TSendingJobView& view = *this;
        job_ = std::make_unique<TSendingJob>(view, ModuleArguments().Channel, ModuleState());
    } catch (...) {
        platform::DeallocateHiddenWindow(handle_);
        throw;
    }
}

void TAttachmentsFrm::WindowHandler(platform::TMessage& message) {
    if (message.Msg == platform::kCloseMessage) {
        // The exchange's own close request: no user's call-off.
        ::DestroyWindow(window_);
    } else if (message.Msg == platform::kCopyDataMessage && job_) {
        job_->HandleCopyData(message);
    }
}

std::intptr_t TAttachmentsFrm::FormMessage(HWND__* window, unsigned message, std::uintptr_t wParam,
                                           std::intptr_t lParam) {
    if (message == WM_NCCREATE) {
        window_ = window;
    }
    switch (message) {
        case WM_PAINT:
            FormPaint();
            return 0;
        case WM_SIZE:
            // The first size arrives while the window is made, before its controls.
            if (LB != nullptr) {
                ArrangeControls();
            }
            return 0;
        case WM_GETMINMAXINFO: {
            SIZE minimum = OuterSize(kFormMinWidth, kFormMinHeight);
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{minimum.cx, minimum.cy};
            return 0;
        }
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (measure->CtlID == kListId) {
                measure->itemHeight = static_cast<UINT>(LBMeasureItem());
                return TRUE;
            }
            break;
        }
        case WM_DRAWITEM: {
            auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (draw->CtlID == kListId) {
                LBDrawItem(draw);
                return TRUE;
            }
            if (draw->CtlID == kButtonId) {
                FOKDrawItem(draw);
                return TRUE;
            }
            break;
        }
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORBTN:
            return reinterpret_cast<std::intptr_t>(resources_->WhiteBrush.Get());
        case WM_COMMAND:
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
                FOKClick();
                return 0;
            }
            break;
        case WM_KEYDOWN:
            FormKeyDown(static_cast<int>(wParam));
            return 0;
        case WM_SETFOCUS:
            // A window hands its focus on to the control that had it last, the button at first.
            ::SetFocus(lastFocus_ != nullptr ? lastFocus_ : FOK);
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == window && LOWORD(lParam) == HTCLIENT) {
                POINT point{};
                ::GetCursorPos(&point);
                ::ScreenToClient(window, &point);
                if (OverLink(point.x, point.y) || OverImage(point.x, point.y)) {
                    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONUP: {
            int x = static_cast<short>(LOWORD(lParam));
            int y = static_cast<short>(HIWORD(lParam));
            if (OverLink(x, y)) {
                HTMLabel1AnchorClick();
            } else if (OverImage(x, y)) {
                Image1Click();
            }
            return 0;
        }
        case WM_COPYDATA: {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            platform::TCopyDataStruct record;
            record.dwData = data->dwData;
            record.cbData = data->cbData;
            record.lpData = data->lpData;
            platform::TMessage copy{platform::kCopyDataMessage, wParam,
                                    reinterpret_cast<std::intptr_t>(&record), 0};
            if (job_) {
                job_->HandleCopyData(copy);
            }
            return copy.Result;
        }
        case WM_SYSCOMMAND:
            HandleSysCommand(static_cast<unsigned>(wParam));
            break;
        case WM_DESTROY:
            window_ = nullptr;
            platform::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::intptr_t TAttachmentsFrm::ControlMessage(HWND__* control, unsigned message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
    auto procedure = reinterpret_cast<WNDPROC>(control == LB ? listProcedure_ : buttonProcedure_);
    switch (message) {
        case WM_KEYDOWN: {
            int key = static_cast<int>(wParam);
            FormKeyDown(key);
            if (control == LB) {
                LBKeyDown(key);
            } else if (key == VK_TAB || (key >= VK_LEFT && key <= VK_DOWN)) {
                FOKSelectNext(key);
            }
            if (key == VK_TAB) {
                ::SetFocus(control == LB || !::IsWindowVisible(LB) ? FOK : LB);
                return 0;
            }
            break;
        }
        case WM_GETDLGCODE:
            return ::CallWindowProcW(procedure, control, message, wParam, lParam) | DLGC_WANTTAB;
        case WM_SETFOCUS:
            lastFocus_ = control;
            break;
        default:
            break;
    }
    return ::CallWindowProcW(procedure, control, message, wParam, lParam);
}

void TAttachmentsFrm::FormKeyDown(int key) {
    HandleKey(key);
}

void TAttachmentsFrm::LBKeyDown(int key) {
    HandleKey(key);
}

void TAttachmentsFrm::FOKSelectNext(int key) {
    HandleKey(key);
}

void TAttachmentsFrm::HandleKey(int key) {
    if (key == kKeyReturn) {
        FOKClick();
    } else if (key == kKeyEscape) {
        job_->CallOff();
    }
}

void TAttachmentsFrm::FOKClick() {
    job_->Execute();
}

void TAttachmentsFrm::HTMLabel1AnchorClick() {
    job_->CancelSending();
}

void TAttachmentsFrm::Image1Click() {
    job_->OpenSetupScript();
}

bool TAttachmentsFrm::OverLink(int x, int y) const {
    TAttachmentsLayout layout = Layout();
    return x >= layout.HTMLabel1.X && x < layout.HTMLabel1.X + linkWidth_ &&
           y >= layout.HTMLabel1.Y && y < layout.HTMLabel1.Y + linkHeight_;
}

bool TAttachmentsFrm::OverImage(int x, int y) const {
    TLayoutRect image = Layout().Image1;
    return x >= image.Left && x <= image.Right() && y >= image.Top && y <= image.Bottom();
}

void TAttachmentsFrm::HandleSysCommand(unsigned command) {
    if ((command & 0xFFF0u) == kScClose) {
        job_->CloseBox();
    }
}

void TAttachmentsFrm::FormShow() {
    ::SendMessageW(LB, LB_SETSEL, TRUE, -1);
    RestoreAndFocus(window_, window_);
}

void TAttachmentsFrm::FormPaint() {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window_, &paint);
    TAttachmentsLayout layout = Layout();
    RECT client{};
    ::GetClientRect(window_, &client);
    ::FillRect(dc, &client, static_cast<HBRUSH>(resources_->WhiteBrush.Get()));
    ::SetBkMode(dc, TRANSPARENT);
    if (!::IsWindowVisible(LB)) {
        TSelection font(dc, resources_->CaptionFont.Get());
        ::SetTextColor(dc, kCaptionColour);
        RECT body = ToRect(layout.Panel3);
        ::DrawTextW(dc, L"Keine PDF-Anh\u00e4nge vorhanden", -1, &body,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    RECT header = ToRect(layout.Panel4);
    ::FillRect(dc, &header, static_cast<HBRUSH>(resources_->WhiteBrush.Get()));
    DrawScriptIcon(dc, layout.Image1.Left, layout.Image1.Top);
    DrawSpans(dc, HL, ToRect(layout.HL), resources_->Fonts(), kHeaderColour, true);
    {
        TGdiObject shadow(::CreatePen(PS_SOLID, 1, kLineShadow));
        TSelection pen(dc, shadow.Get());
        ::MoveToEx(dc, layout.Bevel5.Left, layout.Bevel5.Top, nullptr);
        ::LineTo(dc, layout.Bevel5.Right() + 1, layout.Bevel5.Top);
    }
    RECT link{layout.HTMLabel1.X, layout.HTMLabel1.Y, layout.HTMLabel1.X + linkWidth_,
              layout.HTMLabel1.Y + linkHeight_};
    DrawSpans(dc, HTMLabel1, link, resources_->Fonts(), kBlack, false);
    ::EndPaint(window_, &paint);
}

int TAttachmentsFrm::LBMeasureItem() {
    return itemHeight_;
}

void TAttachmentsFrm::LBDrawItem(const void* drawItem) {
    const auto& draw = *static_cast<const DRAWITEMSTRUCT*>(drawItem);
    if (draw.itemID == static_cast<UINT>(-1) || draw.itemID >= paths_.size()) {
        return;
    }
    bool selected = (draw.itemState & ODS_SELECTED) != 0;
    TGdiObject fill(::CreateSolidBrush(selected ? kSelectedColour : kWhite));
    ::FillRect(draw.hDC, &draw.rcItem, static_cast<HBRUSH>(fill.Get()));
    ::SetBkMode(draw.hDC, TRANSPARENT);
    ::SetTextColor(draw.hDC, selected ? kWhite : kBlack);
    TSelection font(draw.hDC, resources_->ListFont.Get());
    std::wstring text = Wide(std::string_view(paths_[draw.itemID]));
    int textHeight = TextSize(draw.hDC, text).cy;
    RECT place = draw.rcItem;
    place.top = place.top + (place.bottom - place.top) / 2 - textHeight / 2;
    place.left += 10;
    place.right -= 10;
    ::DrawTextW(draw.hDC, text.c_str(), static_cast<int>(text.size()), &place,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

void TAttachmentsFrm::FOKDrawItem(const void* drawItem) {
    const auto& draw = *static_cast<const DRAWITEMSTRUCT*>(drawItem);
    RECT rect = draw.rcItem;
    bool pressed = (draw.itemState & ODS_SELECTED) != 0;
    TGdiObject fill(::CreateSolidBrush(pressed ? kPressedColour : kWhite));
    ::FillRect(draw.hDC, &rect, static_cast<HBRUSH>(fill.Get()));
    TGdiObject frameColour(::CreateSolidBrush(kSelectedColour));
    ::FrameRect(draw.hDC, &rect, static_cast<HBRUSH>(frameColour.Get()));
    if ((draw.itemState & ODS_FOCUS) != 0) {
        RECT inner{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
        ::FrameRect(draw.hDC, &inner, static_cast<HBRUSH>(frameColour.Get()));
    }
    ::SetBkMode(draw.hDC, TRANSPARENT);
    ::SetTextColor(draw.hDC, kBlack);
    TSelection font(draw.hDC, resources_->BoldFont.Get());
    ::DrawTextW(draw.hDC, L"Ausf\u00fchren", -1, &rect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool TAttachmentsFrm::IsShown() const {
    return ::IsWindowVisible(window_) != 0;
}

void TAttachmentsFrm::ShowWindow() {
    bool wasHidden = !IsShown();
    ::ShowWindow(window_, SW_SHOW);
    if (wasHidden) {
        FormShow();
    }
}

void TAttachmentsFrm::ShowHeader(const std::string& markup) {
    HL = ParseHtmlSpans(AnsiToUtf16(markup));
    RECT header = ToRect(Layout().Panel4);
    ::InvalidateRect(window_, &header, TRUE);
}

void TAttachmentsFrm::ShowAttachments(const std::vector<std::string>& paths) {
    ::SendMessageW(LB, LB_RESETCONTENT, 0, 0);
    paths_ = paths;
    for (const std::string& path : paths_) {
        std::wstring text = Wide(std::string_view(path));
        ::SendMessageW(LB, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void TAttachmentsFrm::SelectAllAttachments() {
    ::SendMessageW(LB, LB_SETSEL, TRUE, -1);
    ::ShowWindow(LB, SW_SHOW);
}

std::vector<std::string> TAttachmentsFrm::ChosenAttachments() const {
    std::vector<std::string> chosen;
    for (std::size_t index = 0; index < paths_.size(); ++index) {
        if (::SendMessageW(LB, LB_GETSEL, index, 0) > 0) {
            chosen.push_back(paths_[index]);
        }
    }
    return chosen;
}

void TAttachmentsFrm::BringToForeground() {
    ForceForeground(window_);
}

void TAttachmentsFrm::RestoreAndFocusWindow() {
    RestoreAndFocus(window_, window_);
}

void TAttachmentsFrm::ShowError(const std::string& text) {
    platform::ShowMessageBox({}, text);
}

void TAttachmentsFrm::ForceForeground(HWND__* window) {
    DWORD foreground = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
    DWORD own = ::GetCurrentThreadId();
    bool attached = foreground != own && ::AttachThreadInput(foreground, own, TRUE);
    ::SetForegroundWindow(window);
    if (attached) {
        ::AttachThreadInput(foreground, own, FALSE);
    }
}

void TAttachmentsFrm::RestoreAndFocus(HWND__* applicationWindow, HWND__* focusWindow) {
    if (::IsIconic(applicationWindow)) {
        ::ShowWindow(applicationWindow, SW_RESTORE);
    }
    if (::GetForegroundWindow() != applicationWindow) {
        DWORD own = ::GetWindowThreadProcessId(applicationWindow, nullptr);
        DWORD foreground = ::GetWindowThreadProcessId(::GetForegroundWindow(), nullptr);
        if (own == foreground || ::AttachThreadInput(own, foreground, TRUE)) {
            ::BringWindowToTop(applicationWindow);
            ::SetForegroundWindow(applicationWindow);
            if (own != foreground) {
                ::AttachThreadInput(own, foreground, FALSE);
            }
        }
    }
    if (focusWindow != nullptr) {
        ::SetFocus(focusWindow);
    }
}

TMainWindowClass AttachmentsWindowClass() {
    return TMainWindowClass{kMainWindowClass, [] { return std::make_unique<TAttachmentsFrm>(); }};
}

}  // namespace foldant
