// A stand-in cabinet.dll for the tests: the four decompression entry points of
// the Windows Compression API (ordinals 40, 41, 43, 45), LZMS buffer mode
// only, built on our own decoder. Wine's cabinet.dll lacks them, so without
// this double the installer's API road could never run under Wine.
//
// It holds callers to the API's contract more strictly than the real DLL
// needs to: unknown or closed handles, other algorithms (or raw mode), a
// wrong information class or size, a missing produced-size pointer and a
// destination too small for the buffer's total all fail with the error code
// the real API sets. With TS_TEST_CABINET_REFUSE=1 in the environment,
// CreateDecompressor refuses, as on a system whose API cannot be used.
//
// The signatures follow mingw-w64's compressapi.h, which declares the input
// pointers without const.
//
// TestCabinetOpenHandles() tells the tests how many decompressors are open,
// so that a missing CloseDecompressor shows.
#include "payload/lzms/lzms.h"

#include <windows.h>
#include <compressapi.h>

#include <memory>
#include <mutex>
#include <set>

namespace {

// ERROR_BAD_COMPRESSION_BUFFER, which the real API sets for data it cannot
// decode; mingw-w64's winerror.h does not define it.
constexpr DWORD kErrorBadCompressionBuffer = 605;

struct TestDecompressor {
    lzms::Decoder decoder;
    DWORD blockSize = 0;
};

std::mutex openMutex;
std::set<TestDecompressor*> openDecompressors;

TestDecompressor* lookUp(DECOMPRESSOR_HANDLE handle) {
    auto* decompressor = reinterpret_cast<TestDecompressor*>(handle);
    std::lock_guard lock(openMutex);
    return openDecompressors.count(decompressor) != 0 ? decompressor : nullptr;
}

BOOL failWith(DWORD code) {
    SetLastError(code);
    return FALSE;
}

bool toldToRefuse() {
    wchar_t value[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"TS_TEST_CABINET_REFUSE", value, 8);
    return length == 1 && value[0] == L'1';
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
    if (toldToRefuse()) return failWith(ERROR_NOT_SUPPORTED);

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

    std::size_t produced = 0;
    const lzms::Status status = decompressor->decoder.decodeBuffer(
        {static_cast<const std::uint8_t*>(compressedData), compressedDataSize},
        {static_cast<std::uint8_t*>(uncompressedBuffer), uncompressedBufferSize}, produced);
    // Like the real API: on a too-small buffer the count says how much room is needed.
    if (status == lzms::Status::Ok || status == lzms::Status::OutputTooSmall) *uncompressedDataSize = produced;
    if (status != lzms::Status::Ok) return failWith(errorFor(status));
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
