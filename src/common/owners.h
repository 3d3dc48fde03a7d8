// Small owners for Win32 resources. Each owner holds one raw value, closes it
// only when it is valid, cannot be copied, and offers put() for the
// out-parameters of the API that acquires it. Declare the owner on the line
// that acquires the resource so that every early return releases it.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace win {

template <typename T, auto Close, auto Invalid>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    ~Unique() { reset(); }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, invalid())) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, invalid()));
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != invalid(); }
    // For out-parameters: releases what is held and hands out the slot.
    T* put() { reset(); return &value_; }
    T release() { return std::exchange(value_, invalid()); }
    void reset(T value = invalid()) {
        if (value_ != invalid()) Close(value_);
        value_ = value;
    }

private:
    static T invalid() { return reinterpret_cast<T>(static_cast<INT_PTR>(Invalid)); }
    T value_ = invalid();
};

namespace detail {
inline void closeHandle(HANDLE h) { ::CloseHandle(h); }
inline void closeKey(HKEY k) { ::RegCloseKey(k); }
inline void closeFind(HANDLE h) { ::FindClose(h); }
inline void freeLibrary(HMODULE m) { ::FreeLibrary(m); }
inline void freeLocal(HLOCAL p) { ::LocalFree(p); }
inline void freeCoTask(wchar_t* p) { ::CoTaskMemFree(p); }
inline void deleteObject(HGDIOBJ o) { ::DeleteObject(o); }
inline void deleteDc(HDC dc) { ::DeleteDC(dc); }
inline void destroyIcon(HICON i) { ::DestroyIcon(i); }
inline void freeEnvironmentStrings(wchar_t* p) { ::FreeEnvironmentStringsW(p); }
}  // namespace detail

using UniqueHandle = Unique<HANDLE, detail::closeHandle, 0>;                     // null when invalid
using UniqueFile = Unique<HANDLE, detail::closeHandle, -1>;                      // INVALID_HANDLE_VALUE
using UniqueFind = Unique<HANDLE, detail::closeFind, -1>;                        // INVALID_HANDLE_VALUE
using UniqueKey = Unique<HKEY, detail::closeKey, 0>;
using UniqueModule = Unique<HMODULE, detail::freeLibrary, 0>;
using UniqueLocal = Unique<HLOCAL, detail::freeLocal, 0>;
using UniqueCoTaskString = Unique<wchar_t*, detail::freeCoTask, 0>;
using UniqueGdiObject = Unique<HGDIOBJ, detail::deleteObject, 0>;
using UniqueFont = Unique<HFONT, detail::deleteObject, 0>;
using UniqueDc = Unique<HDC, detail::deleteDc, 0>;
using UniqueIcon = Unique<HICON, detail::destroyIcon, 0>;
using UniqueEnvironmentStrings = Unique<wchar_t*, detail::freeEnvironmentStrings, 0>;  // GetEnvironmentStringsW

// A COM interface pointer that releases on every road out.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    I* get() const { return ptr_; }
    I* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    I** put() { reset(); return &ptr_; }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (ptr_) ptr_->Release();
        ptr_ = nullptr;
    }

private:
    I* ptr_ = nullptr;
};

// Process and thread handles from CreateProcessW, closed together.
struct ProcessHandles {
    UniqueHandle process;
    UniqueHandle thread;
};

// CoInitializeEx for the calling thread, undone when the token goes out of scope.
class ComApartment {
public:
    ComApartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT hr_;
};

// Loads a DLL from the system folder only, never from the program's own folder
// (the installer runs from a Downloads folder where anyone may drop a DLL).
inline UniqueModule loadSystemLibrary(const wchar_t* name) {
    return UniqueModule(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

template <typename Fn>
Fn procAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace win
