#pragma once
// Encoding the next textures of an import on other threads while the cache's thread
// stores the earlier ones in order. An encoding is used only for the very request and
// settings it was made for, so the cache comes out byte for byte as a one-by-one import.
#include "pipeline/TextureEncoding.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class CEncodeAhead {
public:
    // threads: how many encodings run at once.
    explicit CEncodeAhead(int threads);
    ~CEncodeAhead(); // waits for the encodings under way and drops the rest
    CEncodeAhead(const CEncodeAhead&) = delete;
    CEncodeAhead& operator=(const CEncodeAhead&) = delete;

    // Queues an encoding; the request's bitmap must outlive it.
    void Start(const EncodeRequest& request, const EncodeSettings& settings);
    // The encoding queued for exactly this request and these settings, once finished; none
    // when there is no such encoding or it failed (the caller then encodes itself).
    std::optional<EncodedTexture> Take(const EncodeRequest& request,
                                       const EncodeSettings& settings);
    // Encodings queued and not yet taken.
    size_t Pending() const;

private:
    struct Job;
    void Work();

    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<std::shared_ptr<Job>> m_Jobs; // in the order queued
    bool m_bStopping = false;
    std::vector<std::thread> m_Threads;
};
