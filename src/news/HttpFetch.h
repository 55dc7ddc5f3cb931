// The HTTP download component: one address into one file, fetched by a
// worker thread over the platform's HTTP client, with the end reported on
// the window's thread through events.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "news/HttpUrl.h"
#include "platform/UiThread.h"

namespace vexil {

// What the worker asks of the HTTP client.
struct THttpRequestData {
    std::string Agent;  // "" sends none
    THttpTarget Target;
    std::string UserName, Password, Referer;
    std::string PostQuery;  // sent as the body when not empty (the method stays GET)
};

// One request over the platform's client (WinINet in the Windows program),
// driven by the worker thread; only Abort comes from another thread.
class IHttpRequest {
public:
    virtual ~IHttpRequest() = default;
    // Opens the client, connects and sends the request (HTTP/1.0, the
    // system's proxy settings, never from a cache).  False when any step
    // failed.
    virtual bool Send(const THttpRequestData& request) = 0;
    // The reply's status code; 0 when it has none.
    virtual int StatusCode() = 0;
    // The Content-Length header as sent; false without one.
    virtual bool ContentLength(std::string& value) = 0;
    // Up to size bytes of the body: the count, 0 at its end, -1 on failure.
    virtual int Read(char* data, int size) = 0;
    // Ends whatever the request waits on, at once (from another thread);
    // every later call fails.
    virtual void Abort() = 0;
};

using THttpRequestFactory = std::function<std::unique_ptr<IHttpRequest>()>;

class THttpFetch {
public:
    THttpFetch(THttpRequestFactory newRequest, IUiThread& ui);
    // Stops a running download and waits for its worker: nothing writes
    // the file afterwards.
    ~THttpFetch();
    THttpFetch(const THttpFetch&) = delete;
    THttpFetch& operator=(const THttpFetch&) = delete;

    // Published properties.
    std::string Agent = "Tessor HttpFetch";
    bool BinaryData = false;  // a reply without Content-Length fails
    std::string URL, FileName, UserName, Password, PostQuery, Referer;
    bool WaitThread = false;  // GetFile returns after the end's event has run

    // After each block, on the worker thread: the Content-Length (0 when
    // absent) and the bytes read so far.
    std::function<void(int totalSize, int readed)> OnProgress;
    // On the window's thread: the download succeeded, with the
    // Content-Length (0 when absent).
    std::function<void(const std::string& fileName, int fileSize)> OnDoneFile;
    std::function<void()> OnError;

    // Starts a download of URL into FileName; nothing while one runs.  With
    // WaitThread it runs the window's messages until the download's event
    // has run (or Stop was called).
    void GetFile();
    bool Busy() const { return running_; }
    // Tells a running worker to stop, ends its request and waits for it.
    // No event is raised for it.  The component can be used again.
    void Stop();
    // The last download's outcome.
    bool Succeeded() const { return succeeded_; }

    // The chunk the worker reads at most at a time, and the most a download
    // may bring (news files are a few kilobytes).
    static constexpr int kBlockSize = 1025;
    static constexpr long long kMaxBytes = 16LL << 20;

    struct TShared;  // what the worker and the component share

private:
    void Finish(const std::shared_ptr<TShared>& shared);

    THttpRequestFactory newRequest_;
    IUiThread& ui_;
    std::shared_ptr<TShared> current_;  // the download that runs
    std::thread worker_;
    bool running_ = false;
    bool succeeded_ = false;
};

}  // namespace vexil
