// Answers the real dialogs and message boxes that code under test shows on
// the test's own thread. A driver thread waits for a dialog (class "#32770")
// with a given caption, reads what it shows, and answers it the way a user
// would. Needs a display driver (Wine's null driver will do): without one
// MessageBoxW returns at once and nothing is ever shown.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace ts {

struct DialogButton {
    int id = 0;
    std::wstring text;
    bool isDefault = false;  // BS_DEFPUSHBUTTON: what Enter presses
};

// What a dialog showed at the moment it was found.
struct SeenDialog {
    std::wstring caption;
    HWND owner = nullptr;  // the window it is modal to
    std::wstring text;  // a message box's message (static control 0xFFFF)
    HICON icon = nullptr;  // a message box's icon (static control 0x0440)
    std::vector<DialogButton> buttons;
    bool hasButton(int id) const;
    int defaultButton() const;  // 0 when none
    std::vector<int> buttonIds() const;
};

// How a user answers: a button by its id, or the Enter key, which presses
// whatever the dialog takes as its default.
struct DialogAnswer {
    static DialogAnswer button(int id) { return {id}; }
    static DialogAnswer enter() { return {0}; }
    int buttonId = 0;
};

// A top-level dialog of this process with the caption, or null after timeoutMs.
HWND waitForDialog(const std::wstring& caption, DWORD timeoutMs);
SeenDialog readDialog(HWND dialog);
// Posts the answer, as a click or key press would arrive.
void answerDialog(HWND dialog, const DialogAnswer& answer);
// A child control of the dialog by its class (e.g. "Edit"), null when none.
HWND findDialogChild(HWND dialog, const wchar_t* className);

// Watches for dialogs with the caption from construction until finish(),
// answering them in order with the given answers; a dialog beyond the list is
// answered with Enter. Every dialog seen is recorded, so a test can also
// assert that none was shown.
class DialogDriver {
public:
    DialogDriver(std::wstring caption, std::vector<DialogAnswer> answers = {});
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Stops watching and returns what was seen, in order.
    std::vector<SeenDialog> finish();

private:
    void watch();

    std::wstring caption_;
    std::vector<DialogAnswer> answers_;
    std::vector<SeenDialog> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace ts
