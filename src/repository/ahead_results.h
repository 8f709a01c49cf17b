// Results the helper thread makes ahead, in order, for the calling thread to
// take in the same order. The helper sets result i, then i + 1 ...; the
// caller takes result i once it is set. Neither side makes a system call
// while the helper stays ahead: the caller sleeps only when it would wait,
// and the helper wakes it only then (a std::promise makes one call for every
// value it is given).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

namespace kivo::repository {

template <typename Result>
class AheadResults {
public:
    // Called by the helper for the results in order.
    void Set(std::size_t index, Result result) {
        {
            // The slot exists already (Reserve); only its value is new.
            std::lock_guard lock(slots_mutex_);
            slots_[index - taken_] = std::move(result);
        }
        set_count_.store(index + 1);
        if (caller_waiting_.load()) {
            std::lock_guard lock(wait_mutex_);
            set_.notify_all();
        }
    }

    // Called by the caller before the helper may set results up to `end`.
    void Reserve(std::size_t end) {
        std::lock_guard lock(slots_mutex_);
        while (taken_ + slots_.size() < end) {
            slots_.emplace_back();
        }
    }
    std::size_t reserved() {
        std::lock_guard lock(slots_mutex_);
        return taken_ + slots_.size();
    }

    // The result `index`, the next one not yet taken, once the helper set it.
    Result Take(std::size_t index) {
        if (set_count_.load() <= index) {
            std::unique_lock lock(wait_mutex_);
            caller_waiting_.store(true);
            set_.wait(lock, [&] { return set_count_.load() > index; });
            caller_waiting_.store(false);
        }
        std::lock_guard lock(slots_mutex_);
        Result result = std::move(slots_.front());
        slots_.pop_front();
        ++taken_;
        return result;
    }

private:
    std::mutex slots_mutex_;  // held only to touch the slots, never to wait
    std::deque<Result> slots_;
    std::size_t taken_ = 0;
    std::atomic<std::size_t> set_count_{0};
    std::atomic<bool> caller_waiting_{false};
    std::mutex wait_mutex_;
    std::condition_variable set_;
};

}  // namespace kivo::repository
