#include "common/session_mutex.h"

#include <string>

namespace win {

namespace {

constexpr wchar_t kSessionNamespace[] = L"Local\\";

}  // namespace

SessionMutex::SessionMutex(const wchar_t* name)
    : mutex_(CreateMutexW(nullptr, FALSE, (std::wstring(kSessionNamespace) + name).c_str())) {
    if (!mutex_) return;
    // WAIT_ABANDONED: the last holder ended without releasing it (it crashed
    // or was killed); the mutex is this process's now all the same.
    const DWORD taken = WaitForSingleObject(mutex_.get(), 0);
    held_ = taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
    heldElsewhere_ = taken == WAIT_TIMEOUT;
}

SessionMutex::~SessionMutex() {
    if (held_) ReleaseMutex(mutex_.get());
}

}  // namespace win
