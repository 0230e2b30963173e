// SPDX-License-Identifier: MIT
// The WinINet functions of the stand-in: they check their handles and hand
// the work to the session behind them (platform/http_session.cpp).

#include <cstring>
#include <string>
#include <strings.h>

#include "platform/http_session.h"

namespace Tessel {

using Platform::Connection;
using Platform::InternetObject;
using Platform::Request;
using Platform::Session;
using Platform::internetHandles;

namespace {

constexpr DWORD errorHeaderNotFound = 12150;
constexpr DWORD errorHeaderAlreadyExists = 12155;

template <class T>
std::shared_ptr<T> lookup(HINTERNET handle, InternetObject::Kind kind)
{
    std::shared_ptr<InternetObject> object = internetHandles().find(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (object->kind != kind) {
        SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

Session& sessionOf(InternetObject& object)
{
    switch (object.kind) {
    case InternetObject::connectionKind:
        return *static_cast<Connection&>(object).session;
    case InternetObject::requestKind:
        return *static_cast<Request&>(object).session;
    default:
        return static_cast<Session&>(object);
    }
}

INTERNET_STATUS_CALLBACK setCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback)
{
    std::shared_ptr<InternetObject> object = internetHandles().find(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INTERNET_INVALID_STATUS_CALLBACK;
    }
    return sessionOf(*object).setCallback(*object, callback);
}

std::string headerText(LPCSTR text, DWORD length)
{
    return length == DWORD(-1) ? std::string(text) : std::string(text, length);
}

// Adds, replaces or removes "Name: value" lines (CR LF separated) in list.
BOOL mergeHeaders(std::vector<std::string>& list, const std::string& text, DWORD modifiers)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string::npos) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        auto existing = list.begin();
        for (; existing != list.end(); ++existing)
            if (existing->size() > colon && (*existing)[colon] == ':' &&
                strncasecmp(existing->c_str(), line.c_str(), colon) == 0)
                break;
        bool emptyValue = line.find_first_not_of(' ', colon + 1) == std::string::npos;
        if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
            if (existing != list.end()) {
                if (emptyValue)
                    list.erase(existing);
                else
                    *existing = line;
                continue;
            }
            if (!(modifiers & HTTP_ADDREQ_FLAG_ADD)) {
                SetLastError(errorHeaderNotFound);
                return 0;
            }
        } else if ((modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW) && existing != list.end()) {
            SetLastError(errorHeaderAlreadyExists);
            return 0;
        }
        if (!emptyValue)
            list.push_back(line);
    }
    return 1;
}

}  // namespace

HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass,
                        DWORD flags)
{
    // Only asynchronous sessions exist here: every send and read that cannot
    // finish at once completes on the session's worker thread.
    if (!(flags & INTERNET_FLAG_ASYNC)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Session::open(agent, accessType, proxy, proxyBypass);
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallbackA(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback)
{
    return setCallback(handle, callback);
}

INTERNET_STATUS_CALLBACK InternetSetStatusCallbackW(HINTERNET handle,
                                                    INTERNET_STATUS_CALLBACK callback)
{
    return setCallback(handle, callback);
}

HINTERNET InternetConnectA(HINTERNET internet, LPCSTR serverName, INTERNET_PORT serverPort,
                           LPCSTR, LPCSTR, DWORD service, DWORD, DWORD_PTR context)
{
    std::shared_ptr<Session> session = lookup<Session>(internet, InternetObject::rootKind);
    if (!session)
        return nullptr;
    if (service != INTERNET_SERVICE_HTTP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return session->connect(serverName, serverPort, context);
}

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR,
                           LPCSTR referrer, LPCSTR* acceptTypes, DWORD, DWORD_PTR context)
{
    std::shared_ptr<Connection> target =
        lookup<Connection>(connection, InternetObject::connectionKind);
    if (!target)
        return nullptr;
    if (verb && std::strcmp(verb, "GET") != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);  // only GET is carried out
        return nullptr;
    }
    return target->session->openRequest(*target, objectName, referrer, acceptTypes, context);
}

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional,
                      DWORD optionalLength)
{
    std::shared_ptr<Request> target = lookup<Request>(request, InternetObject::requestKind);
    if (!target)
        return 0;
    if (optional && optionalLength) {
        SetLastError(ERROR_INVALID_PARAMETER);  // a GET carries no body
        return 0;
    }
    if (headers && headersLength &&
        !mergeHeaders(target->headers, headerText(headers, headersLength),
                      HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
        return 0;
    return target->session->send(target);
}

BOOL HttpAddRequestHeadersA(HINTERNET request, LPCSTR headers, DWORD headersLength,
                            DWORD modifiers)
{
    std::shared_ptr<Request> target = lookup<Request>(request, InternetObject::requestKind);
    if (!target)
        return 0;
    if (!headers) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Headers added after the send stay on the handle but change nothing sent.
    return mergeHeaders(target->headers, headerText(headers, headersLength), modifiers);
}

BOOL InternetReadFileExA(HINTERNET file, INTERNET_BUFFERSA* buffers, DWORD, DWORD_PTR context)
{
    std::shared_ptr<Request> target = lookup<Request>(file, InternetObject::requestKind);
    if (!target)
        return 0;
    if (!buffers || (!buffers->lpvBuffer && buffers->dwBufferLength)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return target->session->read(target, buffers, context);
}

BOOL InternetCloseHandle(HINTERNET handle)
{
    std::shared_ptr<InternetObject> object = internetHandles().remove(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (object->kind == InternetObject::rootKind)
        static_cast<Session&>(*object).shutdown();
    else
        sessionOf(*object).close(*object);
    return 1;
}

}  // namespace Tessel
