// The HTTP download component.
//
// The worker holds its own copies of the request and reports through a
// state shared with the component; the end's event is queued to the
// window's thread and does nothing once the component stopped the download
// or went away.  Writes to the file happen under a lock with a look at the
// stop flag, so that after Stop returns nothing writes the file any more,
// even when the platform's client does not let a stuck worker go at once.
#include "news/HttpFetch.h"

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "base/FileNames.h"
#include "base/Text.h"

namespace vexil {

struct THttpFetch::TShared {
    THttpRequestData Request;
    std::string FileName;
    bool Binary = false;
    std::function<void(int, int)> Progress;
    std::unique_ptr<IHttpRequest> Http;

    std::mutex Lock;  // guards writes to the file and the post of the end against Stop
    bool Stop = false;
    IUiThread* Ui = nullptr;  // where the end goes; none once stopped
    std::condition_variable EndedSignal;
    bool Ended = false;     // the worker is done with everything but returning
    bool Detached = false;  // the component no longer wants the end (window's thread only)

    bool Success = false;
    int ContentLength = 0;
};

namespace {

// A Content-Length: decimal digits (blanks around them allowed) up to INT_MAX.
bool ParseLength(const std::string& text, int& length) {
    const std::string t = Trim(text);
    if (t.empty() || t.size() > 10 || t.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long long value = std::stoll(t);
    if (value > INT_MAX) return false;
    length = static_cast<int>(value);
    return true;
}

bool Stopped(THttpFetch::TShared& s) {
    std::lock_guard<std::mutex> lock(s.Lock);
    return s.Stop;
}

// The download proper, on the worker thread.  True on success.
bool Download(THttpFetch::TShared& s) {
    if (Stopped(s) || s.Request.Target.Host.empty()) return false;
    if (!s.Http->Send(s.Request)) return false;
    // An error page is not what was asked for.
    const int status = s.Http->StatusCode();
    if (status < 200 || status > 299) return false;
    std::string lengthText;
    const bool hasLength = s.Http->ContentLength(lengthText);
    if (!hasLength && s.Binary) return false;  // the file is left as it was
    int length = 0;
    if (hasLength && !ParseLength(lengthText, length)) return false;
    s.ContentLength = length;

    std::FILE* file = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.Lock);
        if (s.Stop) return false;
        file = OpenFile(s.FileName, "wb");
    }
    if (!file) return false;
    char block[THttpFetch::kBlockSize];
    long long total = 0;
    bool ok = true;
    for (;;) {
        const int n = s.Http->Read(block, sizeof block);
        if (n == 0) break;
        if (n < 0 || total + n > THttpFetch::kMaxBytes) {
            ok = false;
            break;
        }
        {
            std::lock_guard<std::mutex> lock(s.Lock);
            if (s.Stop || std::fwrite(block, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) {
                ok = false;
                break;
            }
        }
        total += n;
        if (s.Progress) s.Progress(length, static_cast<int>(total));
    }
    if (std::fclose(file) != 0) ok = false;
    // Nothing came, the body was cut short of its announced length, or a
    // read failed on the way: a file that holds part of a reply is no news.
    if (total == 0 || (hasLength && total < length)) ok = false;
    if (!ok) {
        std::lock_guard<std::mutex> lock(s.Lock);
        if (!s.Stop) {
            if (std::FILE* emptied = OpenFile(s.FileName, "wb")) std::fclose(emptied);
        }
    }
    return ok;
}

}  // namespace

THttpFetch::THttpFetch(THttpRequestFactory newRequest, IUiThread& ui)
    : newRequest_(std::move(newRequest)), ui_(ui) {}

THttpFetch::~THttpFetch() { Stop(); }

void THttpFetch::GetFile() {
    if (running_) return;
    if (worker_.joinable()) worker_.join();  // the last one has posted its end already

    auto shared = std::make_shared<TShared>();
    shared->Request.Agent = Agent;
    shared->Request.Target = SplitHttpUrl(URL);
    shared->Request.UserName = UserName;
    shared->Request.Password = Password;
    shared->Request.Referer = Referer;
    shared->Request.PostQuery = PostQuery;
    shared->FileName = FileName;
    shared->Binary = BinaryData;
    shared->Progress = OnProgress;
    shared->Http = newRequest_();
    shared->Ui = &ui_;
    current_ = shared;
    running_ = true;
    succeeded_ = false;

    worker_ = std::thread([this, shared] {
        shared->Success = Download(*shared);
        std::lock_guard<std::mutex> lock(shared->Lock);
        shared->Ended = true;
        shared->EndedSignal.notify_all();
        // After Stop nothing goes to the window any more: it may be gone.
        if (shared->Ui) shared->Ui->Post([this, shared] {
            if (!shared->Detached) Finish(shared);
        });
    });

    if (!WaitThread) return;
    while (running_ && current_ == shared && !shared->Detached) ui_.WaitAndProcess(50);
}

void THttpFetch::Finish(const std::shared_ptr<TShared>& shared) {
    if (current_ != shared) return;
    if (worker_.joinable()) worker_.join();
    succeeded_ = shared->Success;
    if (!succeeded_) {
        if (OnError) OnError();
    } else if (OnDoneFile) {
        OnDoneFile(shared->FileName, shared->ContentLength);
    }
    // Idle only now: a GetFile from the handlers above does nothing.
    if (current_ == shared) {
        current_.reset();
        running_ = false;
    }
}

void THttpFetch::Stop() {
    const std::shared_ptr<TShared> shared = current_;
    if (shared) {
        shared->Detached = true;
        {
            std::lock_guard<std::mutex> lock(shared->Lock);
            shared->Stop = true;
            shared->Ui = nullptr;
        }
        shared->Http->Abort();
        // An aborted request mostly ends at once.  One that the client will
        // not let go (some WinINets finish a send first) is left to end
        // alone: it writes nothing and reports nothing any more, and the
        // program does not wait for it.
        std::unique_lock<std::mutex> lock(shared->Lock);
        const bool ended = shared->EndedSignal.wait_for(lock, std::chrono::milliseconds(200),
                                                        [&] { return shared->Ended; });
        lock.unlock();
        if (worker_.joinable()) {
            if (ended)
                worker_.join();
            else
                worker_.detach();
        }
        current_.reset();
        running_ = false;
    } else if (worker_.joinable()) {
        worker_.join();
    }
}

}  // namespace vexil
