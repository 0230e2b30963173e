// SPDX-License-Identifier: MIT
// The Windows Internet library and the kernel events the download code uses.
// On Windows these are the real ones. Elsewhere the same names, types and
// values are declared here, inside namespace Tessel, and implemented by the
// stand-in in platform/ (HTTP through libcurl, completions on a worker thread).
#pragma once

#if defined(_WIN32)

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <wininet.h>

#define TESSEL_CALLBACK CALLBACK

namespace Tessel {
// WinINet lets a step that is pending when its request is closed run on; it
// still reports REQUEST_COMPLETE, and writes what it read, later.
constexpr bool ClosingCancelsStep = false;
}  // namespace Tessel

#else

#include <cstdint>

#define TESSEL_CALLBACK

namespace Tessel {

// The stand-in cancels it: once the close returns, nothing of it runs.
constexpr bool ClosingCancelsStep = true;

typedef void* HINTERNET;
typedef void* HANDLE;
typedef std::uint32_t DWORD;
typedef int BOOL;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef std::uintptr_t DWORD_PTR;
typedef unsigned short INTERNET_PORT;

struct INTERNET_BUFFERSA {
    DWORD dwStructSize;
    INTERNET_BUFFERSA* Next;
    LPCSTR lpcszHeader;
    DWORD dwHeadersLength;
    DWORD dwHeadersTotal;
    LPVOID lpvBuffer;
    DWORD dwBufferLength;
    DWORD dwBufferTotal;
    DWORD dwOffsetLow;
    DWORD dwOffsetHigh;
};

struct INTERNET_ASYNC_RESULT {
    DWORD_PTR dwResult;
    DWORD dwError;
};

typedef void (*INTERNET_STATUS_CALLBACK)(HINTERNET handle, DWORD_PTR context, DWORD status,
                                         LPVOID information, DWORD informationLength);

const INTERNET_STATUS_CALLBACK INTERNET_INVALID_STATUS_CALLBACK =
    reinterpret_cast<INTERNET_STATUS_CALLBACK>(static_cast<std::intptr_t>(-1));

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;
constexpr DWORD INTERNET_FLAG_ASYNC = 0x10000000;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000;
constexpr DWORD IRF_ASYNC = 1;
constexpr DWORD INTERNET_STATUS_REQUEST_COMPLETE = 100;

constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD INFINITE = 0xFFFFFFFF;

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass,
                        DWORD flags);
INTERNET_STATUS_CALLBACK InternetSetStatusCallbackA(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback);
INTERNET_STATUS_CALLBACK InternetSetStatusCallbackW(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback);
HINTERNET InternetConnectA(HINTERNET internet, LPCSTR serverName, INTERNET_PORT serverPort,
                           LPCSTR userName, LPCSTR password, DWORD service, DWORD flags,
                           DWORD_PTR context);
HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version,
                           LPCSTR referrer, LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context);
BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength);
BOOL HttpAddRequestHeadersA(HINTERNET request, LPCSTR headers, DWORD headersLength,
                            DWORD modifiers);
BOOL InternetReadFileExA(HINTERNET file, INTERNET_BUFFERSA* buffers, DWORD flags,
                         DWORD_PTR context);
BOOL InternetCloseHandle(HINTERNET handle);

DWORD GetLastError();
void SetLastError(DWORD error);

HANDLE CreateEventW(LPVOID securityAttributes, BOOL manualReset, BOOL initialState,
                    const wchar_t* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

}  // namespace Tessel

#endif
