#include "support/dialog_driver.h"

#include <algorithm>

namespace ts {

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
// The message box's own control ids (as in Windows' message box template).
constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconId = 0x0440;
constexpr DWORD kPollMs = 20;

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool isOurs(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

struct Search {
    const std::wstring* caption;
    HWND found = nullptr;
};

BOOL CALLBACK matchDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!isOurs(window) || !IsWindowVisible(window)) return TRUE;
    if (className(window) != kDialogClass || windowText(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

// A visible dialog of ours with the caption; visible means its modal loop is
// about to run, so that a posted answer is not lost.
HWND findDialog(const std::wstring& caption) {
    Search search{&caption};
    EnumWindows(matchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK collectButton(HWND child, LPARAM context) {
    auto* dialog = reinterpret_cast<SeenDialog*>(context);
    if (className(child) != L"Button" || !IsWindowVisible(child)) return TRUE;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    dialog->buttons.push_back({GetDlgCtrlID(child), windowText(child), (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON});
    return TRUE;
}

struct ChildSearch {
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK matchChild(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<ChildSearch*>(context);
    if (className(child) != search->className) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

bool SeenDialog::hasButton(int id) const {
    return std::any_of(buttons.begin(), buttons.end(), [id](const DialogButton& b) { return b.id == id; });
}

int SeenDialog::defaultButton() const {
    const auto found = std::find_if(buttons.begin(), buttons.end(), [](const DialogButton& b) { return b.isDefault; });
    return found == buttons.end() ? 0 : found->id;
}

std::vector<int> SeenDialog::buttonIds() const {
    std::vector<int> ids;
    for (const DialogButton& b : buttons) ids.push_back(b.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

HWND waitForDialog(const std::wstring& caption, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND dialog = findDialog(caption)) return dialog;
        if (GetTickCount64() > end) return nullptr;
        Sleep(kPollMs);
    }
}

SeenDialog readDialog(HWND dialog) {
    SeenDialog seen;
    seen.caption = windowText(dialog);
    seen.owner = GetWindow(dialog, GW_OWNER);
    if (HWND text = GetDlgItem(dialog, kMessageTextId)) seen.text = windowText(text);
    if (HWND icon = GetDlgItem(dialog, kMessageIconId)) {
        seen.icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
    }
    EnumChildWindows(dialog, collectButton, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

void answerDialog(HWND dialog, const DialogAnswer& answer) {
    if (answer.buttonId != 0) {
        HWND button = GetDlgItem(dialog, answer.buttonId);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer.buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return;
    }
    // The key goes to the control that has the focus on the dialog's thread,
    // as a real key press would; the dialog's modal loop turns Enter into a
    // press of the focused push button or else of the default button.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
}

HWND findDialogChild(HWND dialog, const wchar_t* className) {
    ChildSearch search{className};
    EnumChildWindows(dialog, matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DialogDriver::DialogDriver(std::wstring caption, std::vector<DialogAnswer> answers)
    : caption_(std::move(caption)), answers_(std::move(answers)), thread_([this] { watch(); }) {}

DialogDriver::~DialogDriver() {
    finish();
}

std::vector<SeenDialog> DialogDriver::finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
}

void DialogDriver::watch() {
    while (!stop_) {
        HWND dialog = findDialog(caption_);
        if (!dialog) {
            Sleep(kPollMs);
            continue;
        }
        const size_t index = seen_.size();
        seen_.push_back(readDialog(dialog));
        answerDialog(dialog, index < answers_.size() ? answers_[index] : DialogAnswer::enter());
        // The same dialog stays visible until its thread has run the answer.
        while (!stop_ && IsWindow(dialog) && IsWindowVisible(dialog)) Sleep(kPollMs);
    }
}

}  // namespace ts
