// A thread that takes one job at a time from its owner: a walk's read ahead, or half of a large
// request, runs on the second core without a thread made for each.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tarn {

class HelperThread {
public:
    HelperThread() = default;
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    // Runs job on the thread (started with the first job); a job still running is waited for
    // first. The job must not throw.
    void Post(std::function<void()> job);
    // Returns once the last job posted has finished.
    void Wait();
    // A job is posted and not finished yet.
    bool Busy() const { return m_Busy.load(std::memory_order_acquire); }

private:
    void Run();
    // Each side polls a while before it sleeps: the other usually answers within tens of
    // microseconds, and waking a sleeping thread costs about as much (more in a virtual machine)
    // for every job. Polls until done() or about 50 microseconds have passed.
    template <class Done> static void Poll(Done&& done);

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::function<void()> m_Job;
    // Written under the lock; read without it only while polling.
    std::atomic<bool> m_Busy{false};
    std::atomic<bool> m_Stop{false};
    std::thread m_Thread;  // last: it starts after the state it uses, and is joined first
};

}  // namespace tarn
