#include "pipeline/EncodeAhead.h"

#include <exception>

struct CEncodeAhead::Job {
    EncodeRequest request;
    EncodeSettings settings;
    bool started = false, finished = false, failed = false;
    EncodedTexture result;
};

namespace {

bool SameRequest(const EncodeRequest& a, const EncodeRequest& b) {
    return a.bitmap == b.bitmap && a.name == b.name && a.withAlpha == b.withAlpha &&
           a.uncompressed == b.uncompressed && a.targetCache == b.targetCache &&
           a.forcedFamily == b.forcedFamily;
}

} // namespace

CEncodeAhead::CEncodeAhead(int threads) {
    for (int i = 0; i < std::max(threads, 1); ++i)
        m_Threads.emplace_back([this] { Work(); });
}

CEncodeAhead::~CEncodeAhead() {
    {
        std::lock_guard lock(m_Mutex);
        m_bStopping = true;
    }
    m_Changed.notify_all();
    for (std::thread& thread : m_Threads)
        thread.join();
}

void CEncodeAhead::Start(const EncodeRequest& request, const EncodeSettings& settings) {
    auto job = std::make_shared<Job>();
    job->request = request;
    job->settings = settings;
    {
        std::lock_guard lock(m_Mutex);
        m_Jobs.push_back(std::move(job));
    }
    m_Changed.notify_all();
}

size_t CEncodeAhead::Pending() const {
    std::lock_guard lock(m_Mutex);
    return m_Jobs.size();
}

std::optional<EncodedTexture> CEncodeAhead::Take(const EncodeRequest& request,
                                                 const EncodeSettings& settings) {
    std::unique_lock lock(m_Mutex);
    for (auto it = m_Jobs.begin(); it != m_Jobs.end(); ++it) {
        const std::shared_ptr<Job> job = *it;
        if (!SameRequest(job->request, request))
            continue;
        m_Jobs.erase(it);
        // Not started yet: this thread encodes it itself rather than wait.
        if (!job->started)
            return std::nullopt;
        m_Changed.wait(lock, [&] { return job->finished; });
        if (job->failed || !(job->settings == settings))
            return std::nullopt;
        return std::move(job->result);
    }
    return std::nullopt;
}

void CEncodeAhead::Work() {
    std::unique_lock lock(m_Mutex);
    for (;;) {
        std::shared_ptr<Job> job;
        m_Changed.wait(lock, [&] {
            if (m_bStopping)
                return true;
            for (const auto& queued : m_Jobs)
                if (!queued->started)
                    return true;
            return false;
        });
        if (m_bStopping)
            return;
        for (const auto& queued : m_Jobs)
            if (!queued->started) {
                job = queued;
                break;
            }
        job->started = true;
        lock.unlock();
        try {
            job->result = EncodeTexture(job->request, job->settings);
        } catch (...) {
            job->failed = true; // the cache's thread encodes again and reports it
        }
        lock.lock();
        job->finished = true;
        m_Changed.notify_all();
    }
}
