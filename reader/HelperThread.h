// A thread that takes one job at a time from its owner: a large request can use the second core
// without a thread made for each request.
#pragma once

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

private:
    void Run();

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::function<void()> m_Job;
    bool m_Busy = false;
    bool m_Stop = false;
    std::thread m_Thread;  // last: it starts after the state it uses, and is joined first
};

}  // namespace tarn
