#include "app/silent_report.h"

#include "common/owners.h"

namespace {

bool isValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr,
                        nullptr);
    return utf8;
}

std::wstring withCrlfLineBreaks(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n' && (out.empty() || out.back() != L'\r')) out += L'\r';
        out += c;
    }
    return out + L"\r\n";
}

// Files and pipes get UTF-8; a console gets UTF-16 so that every character
// shows whatever its code page.
void writeTo(HANDLE handle, const std::wstring& text) {
    const std::wstring line = withCrlfLineBreaks(text);
    DWORD written = 0;
    if (isConsole(handle)) {
        WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string bytes = toUtf8(line);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void reportSilentError(const std::wstring& text) {
    if (text.empty()) return;
    if (HANDLE inherited = GetStdHandle(STD_ERROR_HANDLE); isValid(inherited)) {
        writeTo(inherited, text);
        return;
    }
    // A program of the GUI subsystem gets no console of its own; borrow the
    // one of the shell that started us, if any, and let it go again.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    win::UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (console) writeTo(console.get(), L"\n" + text);
    FreeConsole();
}
