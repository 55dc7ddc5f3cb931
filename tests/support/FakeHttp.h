// A scripted HTTP reply for the download component, and a window thread
// held in a queue that the test pumps itself.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "news/HttpFetch.h"
#include "platform/UiThread.h"

namespace vexil::test {

struct THttpScript {
    bool SendFails = false;
    int Status = 200;
    bool HasLength = true;
    std::string Length;  // "" with HasLength: the body's size
    std::string Body;
    int FailAfter = -1;  // a read fails once this many bytes went
    bool HoldFirstRead = false;  // the first read waits until Release or Abort
};

// What the fake saw, shared with the test.
struct THttpLog {
    std::mutex Lock;
    int Requests = 0;
    THttpRequestData Last;
    int LargestRead = 0;
    bool Aborted = false;
    bool Released = false;
    std::condition_variable Changed;
    void Release() {
        std::lock_guard<std::mutex> lock(Lock);
        Released = true;
        Changed.notify_all();
    }
};

class TFakeHttpRequest : public IHttpRequest {
public:
    TFakeHttpRequest(THttpScript script, std::shared_ptr<THttpLog> log)
        : script_(std::move(script)), log_(std::move(log)) {}
    bool Send(const THttpRequestData& request) override {
        std::lock_guard<std::mutex> lock(log_->Lock);
        ++log_->Requests;
        log_->Last = request;
        return !script_.SendFails && !log_->Aborted;
    }
    int StatusCode() override { return script_.Status; }
    bool ContentLength(std::string& value) override {
        if (!script_.HasLength) return false;
        value = script_.Length.empty() ? std::to_string(script_.Body.size()) : script_.Length;
        return true;
    }
    int Read(char* data, int size) override {
        std::unique_lock<std::mutex> lock(log_->Lock);
        log_->LargestRead = std::max(log_->LargestRead, size);
        if (script_.HoldFirstRead && first_) {
            log_->Changed.wait(lock, [&] { return log_->Released || log_->Aborted; });
        }
        first_ = false;
        if (log_->Aborted) return -1;
        if (script_.FailAfter >= 0 && pos_ >= static_cast<size_t>(script_.FailAfter)) return -1;
        const size_t n = std::min(script_.Body.size() - pos_, static_cast<size_t>(size));
        std::memcpy(data, script_.Body.data() + pos_, n);
        pos_ += n;
        return static_cast<int>(n);
    }
    void Abort() override {
        std::lock_guard<std::mutex> lock(log_->Lock);
        log_->Aborted = true;
        log_->Changed.notify_all();
    }

private:
    THttpScript script_;
    std::shared_ptr<THttpLog> log_;
    size_t pos_ = 0;
    bool first_ = true;
};

inline THttpRequestFactory FakeHttp(const THttpScript& script, std::shared_ptr<THttpLog> log) {
    return [script, log] { return std::make_unique<TFakeHttpRequest>(script, log); };
}

// The window's thread as a queue: posted calls run when the test pumps.
class TFakeUiThread : public IUiThread {
public:
    void Post(std::function<void()> call) override {
        std::lock_guard<std::mutex> lock(lock_);
        queue_.push_back(std::move(call));
        posted_.notify_all();
    }
    void ProcessMessages() override {
        if (OnProcess) OnProcess();
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard<std::mutex> lock(lock_);
                if (queue_.empty()) return;
                call = std::move(queue_.front());
                queue_.pop_front();
            }
            call();
        }
    }
    void WaitAndProcess(int maxMs) override {
        {
            std::unique_lock<std::mutex> lock(lock_);
            posted_.wait_for(lock, std::chrono::milliseconds(maxMs), [&] { return !queue_.empty(); });
        }
        ProcessMessages();
    }
    // Pumps until cond holds or ms passed.
    bool PumpUntil(const std::function<bool()>& cond, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!cond()) {
            if (std::chrono::steady_clock::now() > end) return false;
            WaitAndProcess(10);
        }
        return true;
    }
    std::function<void()> OnProcess;  // a window message arriving during a wait

private:
    std::mutex lock_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace vexil::test
