// A lock between the processes of one user session: a named mutex in the
// session's namespace ("Local\"), taken without waiting when the object is
// made and released when it goes. It must be made and destroyed on the same
// thread, since a mutex belongs to the thread that took it.
#pragma once

#include "common/owners.h"

namespace win {

class SessionMutex {
public:
    // `name` without the namespace prefix.
    explicit SessionMutex(const wchar_t* name);
    ~SessionMutex();
    SessionMutex(const SessionMutex&) = delete;
    SessionMutex& operator=(const SessionMutex&) = delete;

    // True when another process holds the mutex. False when this one took it,
    // and also when the system gave no mutex at all: the lock keeps a second
    // process out, never the first.
    bool heldElsewhere() const { return heldElsewhere_; }

private:
    UniqueHandle mutex_;
    bool held_ = false;
    bool heldElsewhere_ = false;
};

}  // namespace win
