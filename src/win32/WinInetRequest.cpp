// One HTTP request over WinINet, for the download component's worker
// thread: the system's proxy settings, HTTP/1.0, never from the cache.
// Abort closes the handles from the window's thread, which makes a call
// that waits on the network return at once.
#include <windows.h>

#include <wininet.h>

#include <mutex>
#include <string>

#include "win32/WinInetRequest.h"

namespace vexil {

namespace {

constexpr DWORD kTimeoutMs = 30000;

class TWinInetRequest : public IHttpRequest {
public:
    ~TWinInetRequest() override { CloseAll(); }

    bool Send(const THttpRequestData& r) override {
        {
            std::lock_guard<std::mutex> lock(lock_);
            if (aborted_) return false;
            session_ = InternetOpenA(r.Agent.empty() ? nullptr : r.Agent.c_str(),
                                     INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
            if (!session_) return false;
            // A server that falls silent fails the download in the end.
            DWORD ms = kTimeoutMs;
            for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                                       INTERNET_OPTION_RECEIVE_TIMEOUT})
                InternetSetOptionA(session_, option, &ms, sizeof ms);
        }
        HINTERNET connection = InternetConnectA(
            session_, r.Target.Host.c_str(), static_cast<INTERNET_PORT>(r.Target.Port),
            r.UserName.empty() ? nullptr : r.UserName.c_str(),
            r.Password.empty() ? nullptr : r.Password.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
        if (!Keep(connection_, connection)) return false;
        HINTERNET request = HttpOpenRequestA(
            connection_, "GET", r.Target.Path.c_str(), "HTTP/1.0",
            r.Referer.empty() ? nullptr : r.Referer.c_str(), nullptr,
            INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
        if (!Keep(request_, request)) return false;
        std::string body = r.PostQuery;
        return HttpSendRequestA(request_, nullptr, 0, body.empty() ? nullptr : &body[0],
                                static_cast<DWORD>(body.size())) != FALSE;
    }

    int StatusCode() override {
        DWORD code = 0, size = sizeof code;
        if (!request_ || !HttpQueryInfoA(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                         &code, &size, nullptr))
            return 0;
        return static_cast<int>(code);
    }

    bool ContentLength(std::string& value) override {
        char text[1024];
        DWORD size = sizeof text;
        if (!request_ || !HttpQueryInfoA(request_, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
            return false;
        value.assign(text, size < sizeof text ? size : sizeof text - 1);
        return true;
    }

    int Read(char* data, int size) override {
        DWORD read = 0;
        if (!request_ || !InternetReadFile(request_, data, static_cast<DWORD>(size), &read)) return -1;
        return static_cast<int>(read);
    }

    void Abort() override { CloseAll(); }

private:
    // Keeps a handle made by the worker, unless Abort came meanwhile.
    bool Keep(HINTERNET& slot, HINTERNET handle) {
        std::lock_guard<std::mutex> lock(lock_);
        if (!handle) return false;
        if (aborted_) {
            InternetCloseHandle(handle);
            return false;
        }
        slot = handle;
        return true;
    }

    void CloseAll() {
        std::lock_guard<std::mutex> lock(lock_);
        aborted_ = true;
        for (HINTERNET* h : {&request_, &connection_, &session_}) {
            if (*h) InternetCloseHandle(*h);
            *h = nullptr;
        }
    }

    std::mutex lock_;
    bool aborted_ = false;
    HINTERNET session_ = nullptr, connection_ = nullptr, request_ = nullptr;
};

}  // namespace

std::unique_ptr<IHttpRequest> CreateWinInetRequest() { return std::make_unique<TWinInetRequest>(); }

}  // namespace vexil
