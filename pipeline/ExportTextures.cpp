#include "pipeline/ExportTextures.h"

#include "platform/Files.h"
#include "platform/PathCheck.h"
#include "platform/Processors.h"
#include "raster/ImageFile.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

struct Task {
    size_t item;
    RawTexture raw;
};

// Read records wait here for the workers; the reader stops when it is full, so no more
// than a few textures are held in memory at once.
class CTaskQueue {
public:
    explicit CTaskQueue(size_t capacity) : m_nCapacity(capacity) {}

    void Push(Task task) {
        std::unique_lock lock(m_Mutex);
        m_NotFull.wait(lock, [this] { return m_Tasks.size() < m_nCapacity; });
        m_Tasks.push_back(std::move(task));
        m_NotEmpty.notify_one();
    }
    // False once closed and empty.
    bool Pop(Task& task) {
        std::unique_lock lock(m_Mutex);
        m_NotEmpty.wait(lock, [this] { return !m_Tasks.empty() || m_bClosed; });
        if (m_Tasks.empty())
            return false;
        task = std::move(m_Tasks.front());
        m_Tasks.pop_front();
        m_NotFull.notify_one();
        return true;
    }
    void Close() {
        std::lock_guard lock(m_Mutex);
        m_bClosed = true;
        m_NotEmpty.notify_all();
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_NotEmpty, m_NotFull;
    std::deque<Task> m_Tasks;
    size_t m_nCapacity;
    bool m_bClosed = false;
};

constexpr size_t kTasksPerWorker = 2;

// What kept the texture from the file, or nothing when it was written.
std::string DecodeAndSave(const RawTexture& raw, const std::string& path) {
    CCacheHelper::DecodeProblem problem;
    const std::unique_ptr<Bitmap32> bitmap = DecodeRawTexture(raw, problem);
    if (!bitmap)
        return "could not be decoded" + (problem.text.empty() ? "" : ": " + problem.text);
    return SaveImageChecked(*bitmap, path);
}

} // namespace

std::string SaveImageChecked(const Bitmap32& bitmap, const std::string& path) {
    const std::string name = Files::FileNameOf(path);
    const std::string extension =
        name.find('.') == std::string::npos ? std::string() : name.substr(name.rfind('.') + 1);
    EncoderClsid encoder;
    if (EncoderForExtension(extension, &encoder) < 0)
        return "no image format is known for the extension '" + extension + "'";
    if (SaveBitmapByExtension(bitmap, path)) {
        const auto back = LoadBitmapFromFile(path);
        if (back && back->Width() == bitmap.Width() && back->Height() == bitmap.Height())
            return {};
    }
    // Only a file this write left behind goes; whatever else stood in the way stays.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored))
        std::filesystem::remove(path, ignored);
    std::string folder = Files::DirectoryOf(path);
    if (folder.empty())
        folder = ".";
    std::string reason = PathCheck::WriteProblem(folder);
    if (reason.empty())
        reason = PathCheck::SpaceProblem(folder);
    return "the file could not be written" + (reason.empty() ? "" : ": " + reason);
}

std::vector<ExportOutcome> ExportTextures(CCacheHelper& helper, CacheId cache, uint32_t level,
                                          bool thumbnail, const std::vector<ExportItem>& items,
                                          const ExportProgress& progress, size_t threads) {
    std::vector<ExportOutcome> outcomes(items.size());
    const size_t workers = threads > 0 ? threads : size_t(UsableProcessors());
    CTaskQueue queue(workers * kTasksPerWorker);
    std::mutex doneMutex;
    size_t done = 0;
    std::vector<std::thread> pool;
    for (size_t w = 0; w < workers; ++w)
        pool.emplace_back([&] {
            Task task;
            while (queue.Pop(task)) {
                ExportOutcome& outcome = outcomes[task.item];
                // A failure here (out of memory for a large picture) is this item's alone; an
                // exception leaving the thread would end the program.
                try {
                    outcome.problem = DecodeAndSave(task.raw, items[task.item].path);
                } catch (const std::exception& error) {
                    outcome.problem = std::string("could not be exported: ") + error.what();
                }
                outcome.written = outcome.problem.empty();
                std::lock_guard lock(doneMutex);
                ++done;
            }
        });
    const auto doneSoFar = [&] {
        std::lock_guard lock(doneMutex);
        return done;
    };
    CTextureDatabase* db = helper.Database();
    bool cancelled = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!cancelled && progress && !progress(doneSoFar(), items.size()))
            cancelled = true;
        if (cancelled) {
            outcomes[i].problem = kExportCancelled;
            continue;
        }
        const int texture = items[i].texture;
        const uint32_t levels = db ? db->GetLevelCount(cache, texture, thumbnail) : 0;
        if (level >= levels) {
            outcomes[i].problem = "it has " + std::to_string(levels) + " mip levels";
            continue;
        }
        std::optional<RawTexture> raw = helper.ReadRawTexture(texture, cache, level, thumbnail);
        if (!raw) {
            const std::string& why = helper.DecodeError().text;
            outcomes[i].problem = "could not be decoded" + (why.empty() ? "" : ": " + why);
            continue;
        }
        queue.Push({i, std::move(*raw)});
    }
    queue.Close();
    for (std::thread& thread : pool)
        thread.join();
    if (progress)
        progress(items.size(), items.size());
    return outcomes;
}
