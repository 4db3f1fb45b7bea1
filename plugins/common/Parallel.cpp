#include "plugins/common/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace {

// One call's rows, offered to the pool's threads while the calling thread works on them.
struct Job {
    uint32_t rows = 0;
    const std::function<void(uint32_t)>* work = nullptr;
    std::atomic<uint32_t> next{0};
    int openSlots = 0; // helpers it may still take (under the pool's lock)
    int helpers = 0;   // helpers inside it now (under the pool's lock)
    std::exception_ptr failure; // the first row that threw on a helper (under the lock)

    void RunRows() {
        for (uint32_t row = next++; row < rows; row = next++)
            (*work)(row);
    }
    // After a failure the rows left are not worth running: the call fails as a whole.
    void Abandon() { next = rows; }
};

// Threads started once and kept: starting threads for every call cost more than coding a
// small level, and several calls at once (textures coded side by side) share them rather
// than each starting its own. Torn down with the library.
class Pool {
public:
    ~Pool() {
        {
            std::lock_guard lock(m_Mutex);
            m_bStopping = true;
        }
        m_Wake.notify_all();
        for (std::thread& thread : m_Threads)
            thread.join();
    }

    void Run(Job& job, int wanted) {
        {
            std::lock_guard lock(m_Mutex);
            while (int(m_Threads.size()) < wanted)
                m_Threads.emplace_back([this] { Serve(); });
            job.openSlots = wanted;
            m_Jobs.push_back(&job);
        }
        m_Wake.notify_all();
        try {
            job.RunRows();
        } catch (...) {
            job.Abandon();
            Withdraw(job);
            throw;
        }
        Withdraw(job);
        // A row that threw on a helper fails the call on the caller's thread, where the
        // plug-in's export turns it into an error; thrown on the helper it would end
        // the program.
        if (job.failure)
            std::rethrow_exception(job.failure);
    }

private:
    // No helper joins after this; returns once the ones inside have left.
    void Withdraw(Job& job) {
        std::unique_lock lock(m_Mutex);
        job.openSlots = 0;
        m_Jobs.erase(std::find(m_Jobs.begin(), m_Jobs.end(), &job));
        m_Left.wait(lock, [&] { return job.helpers == 0; });
    }

    Job* Open() const {
        for (Job* job : m_Jobs)
            if (job->openSlots > 0)
                return job;
        return nullptr;
    }

    void Serve() {
        std::unique_lock lock(m_Mutex);
        for (;;) {
            m_Wake.wait(lock, [&] { return m_bStopping || Open(); });
            if (m_bStopping)
                return;
            Job* job = Open();
            --job->openSlots;
            ++job->helpers;
            lock.unlock();
            std::exception_ptr failure;
            try {
                job->RunRows();
            } catch (...) {
                job->Abandon();
                failure = std::current_exception();
            }
            lock.lock();
            if (failure && !job->failure)
                job->failure = failure;
            if (--job->helpers == 0)
                m_Left.notify_all();
        }
    }

    std::mutex m_Mutex;
    std::condition_variable m_Wake, m_Left;
    std::vector<Job*> m_Jobs;
    std::vector<std::thread> m_Threads;
    bool m_bStopping = false;
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

} // namespace

int UsableProcessors() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

int ThreadsForPixels(uint64_t pixels) {
    constexpr uint64_t kSmallestShared = 128 * 128;
    return pixels < kSmallestShared ? 1 : UsableProcessors();
}

void ParallelRows(uint32_t rows, int threads, const std::function<void(uint32_t)>& work) {
    // A few rows are not worth a thread's start.
    constexpr uint32_t kRowsPerThread = 4;
    const uint32_t useful = rows / kRowsPerThread;
    const uint32_t count = std::min(uint32_t(std::max(threads, 1)), std::max(useful, 1u));
    if (count <= 1) {
        for (uint32_t row = 0; row < rows; ++row)
            work(row);
        return;
    }
    Job job;
    job.rows = rows;
    job.work = &work;
    ThePool().Run(job, int(count) - 1);
}
