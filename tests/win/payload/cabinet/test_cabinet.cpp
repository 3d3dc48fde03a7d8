// A stand-in cabinet.dll for the tests: the four decompression entry points of
// the Windows Compression API (ordinals 40, 41, 43, 45), LZMS buffer mode
// only, built on our own decoder. Wine's cabinet.dll lacks them, so without
// this double the installer's API road could never run under Wine.
//
// It holds callers to the API's contract more strictly than the real DLL
// needs to: unknown or closed handles, other algorithms (or raw mode), a
// wrong information class or size, a missing produced-size pointer and a
// destination too small for the buffer's total all fail with the error code
// the real API sets.
//
// Switches, from the environment (the installer under test inherits it):
//   TS_TEST_CABINET_REFUSE=1          CreateDecompressor refuses, as on a
//                                     system whose API cannot be used;
//   TS_TEST_CABINET_REFUSE_CHUNK=<n>  the n-th Decompress call on each
//                                     decompressor (from 1) fails as for data
//                                     the API cannot decode;
//   TS_TEST_CABINET_GARBLE_CHUNK=<n>  the n-th call succeeds with one wrong
//                                     byte, as a faulty decoder would;
//   TS_TEST_CABINET_LOG=<file>        each call appends one line saying what
//                                     it did, so that a test of another
//                                     process can see the double was used.
//
// The signatures follow mingw-w64's compressapi.h, which declares the input
// pointers without const.
//
// TestCabinetOpenHandles() tells the tests how many decompressors are open,
// so that a missing CloseDecompressor shows.
#include "common/owners.h"
#include "payload/lzms/lzms.h"

#include <windows.h>
#include <compressapi.h>

#include <cwchar>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

// ERROR_BAD_COMPRESSION_BUFFER, which the real API sets for data it cannot
// decode; mingw-w64's winerror.h does not define it.
constexpr DWORD kErrorBadCompressionBuffer = 605;

struct TestDecompressor {
    lzms::Decoder decoder;
    DWORD blockSize = 0;
    unsigned calls = 0;  // Decompress calls so far
};

std::mutex openMutex;
std::set<TestDecompressor*> openDecompressors;
std::mutex logMutex;

TestDecompressor* lookUp(DECOMPRESSOR_HANDLE handle) {
    auto* decompressor = reinterpret_cast<TestDecompressor*>(handle);
    std::lock_guard lock(openMutex);
    return openDecompressors.count(decompressor) != 0 ? decompressor : nullptr;
}

BOOL failWith(DWORD code) {
    SetLastError(code);
    return FALSE;
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

bool toldToRefuse() {
    return environmentValue(L"TS_TEST_CABINET_REFUSE") == L"1";
}

// True when the switch names this call, counting from 1.
bool switchNamesCall(const wchar_t* name, unsigned call) {
    const std::wstring value = environmentValue(name);
    return !value.empty() && std::wcstoul(value.c_str(), nullptr, 10) == call;
}

void logCall(const char* what) {
    const std::wstring path = environmentValue(L"TS_TEST_CABINET_LOG");
    if (path.empty()) return;
    const std::string line = std::string(what) + "\n";
    std::lock_guard lock(logMutex);
    win::UniqueFile log(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (log) WriteFile(log.get(), line.data(), DWORD(line.size()), &written, nullptr);
}

DWORD errorFor(lzms::Status status) {
    switch (status) {
    case lzms::Status::Ok: return ERROR_SUCCESS;
    case lzms::Status::OutputTooSmall: return ERROR_INSUFFICIENT_BUFFER;
    case lzms::Status::UnsupportedAlgorithm: return ERROR_NOT_SUPPORTED;
    default: return kErrorBadCompressionBuffer;
    }
}

}  // namespace

extern "C" {

BOOL WINAPI CreateDecompressor(DWORD algorithm, PCOMPRESS_ALLOCATION_ROUTINES allocationRoutines,
                               PDECOMPRESSOR_HANDLE handle) {
    if (handle == nullptr) return failWith(ERROR_INVALID_PARAMETER);
    *handle = nullptr;
    if (allocationRoutines != nullptr) return failWith(ERROR_NOT_SUPPORTED);  // not needed by our callers
    if (algorithm != COMPRESS_ALGORITHM_LZMS) return failWith(ERROR_NOT_SUPPORTED);  // buffer mode, LZMS only
    if (toldToRefuse()) {
        logCall("create refused");
        return failWith(ERROR_NOT_SUPPORTED);
    }
    logCall("create");

    auto decompressor = std::make_unique<TestDecompressor>();
    std::lock_guard lock(openMutex);
    openDecompressors.insert(decompressor.get());
    *handle = reinterpret_cast<DECOMPRESSOR_HANDLE>(decompressor.release());
    return TRUE;
}

BOOL WINAPI SetDecompressorInformation(DECOMPRESSOR_HANDLE handle, COMPRESS_INFORMATION_CLASS informationClass,
                                       PVOID information, SIZE_T informationSize) {
    TestDecompressor* decompressor = lookUp(handle);
    if (decompressor == nullptr) return failWith(ERROR_INVALID_HANDLE);
    if (informationClass != COMPRESS_INFORMATION_CLASS_BLOCK_SIZE) return failWith(ERROR_INVALID_PARAMETER);
    if (information == nullptr || informationSize != sizeof(DWORD)) return failWith(ERROR_INVALID_PARAMETER);
    decompressor->blockSize = *static_cast<const DWORD*>(information);
    return TRUE;
}

BOOL WINAPI Decompress(DECOMPRESSOR_HANDLE handle, PVOID compressedData, SIZE_T compressedDataSize,
                       PVOID uncompressedBuffer, SIZE_T uncompressedBufferSize, PSIZE_T uncompressedDataSize) {
    TestDecompressor* decompressor = lookUp(handle);
    if (decompressor == nullptr) return failWith(ERROR_INVALID_HANDLE);
    if (uncompressedDataSize == nullptr) return failWith(ERROR_INVALID_PARAMETER);
    *uncompressedDataSize = 0;
    if (compressedData == nullptr && compressedDataSize != 0) return failWith(ERROR_INVALID_PARAMETER);
    if (uncompressedBuffer == nullptr && uncompressedBufferSize != 0) return failWith(ERROR_INVALID_PARAMETER);

    const unsigned call = ++decompressor->calls;
    if (switchNamesCall(L"TS_TEST_CABINET_REFUSE_CHUNK", call)) {
        logCall("decompress refused");
        return failWith(kErrorBadCompressionBuffer);
    }

    std::size_t produced = 0;
    auto* out = static_cast<std::uint8_t*>(uncompressedBuffer);
    const lzms::Status status = decompressor->decoder.decodeBuffer(
        {static_cast<const std::uint8_t*>(compressedData), compressedDataSize}, {out, uncompressedBufferSize},
        produced);
    // Like the real API: on a too-small buffer the count says how much room is needed.
    if (status == lzms::Status::Ok || status == lzms::Status::OutputTooSmall) *uncompressedDataSize = produced;
    if (status != lzms::Status::Ok) {
        logCall("decompress failed");
        return failWith(errorFor(status));
    }
    if (produced != 0 && switchNamesCall(L"TS_TEST_CABINET_GARBLE_CHUNK", call)) {
        out[produced / 2] ^= 0x01;
        logCall("decompress garbled");
        return TRUE;
    }
    logCall("decompress");
    return TRUE;
}

BOOL WINAPI CloseDecompressor(DECOMPRESSOR_HANDLE handle) {
    TestDecompressor* decompressor = lookUp(handle);
    if (decompressor == nullptr) return failWith(ERROR_INVALID_HANDLE);
    {
        std::lock_guard lock(openMutex);
        openDecompressors.erase(decompressor);
    }
    delete decompressor;
    return TRUE;
}

int TestCabinetOpenHandles() {
    std::lock_guard lock(openMutex);
    return int(openDecompressors.size());
}

}  // extern "C"
