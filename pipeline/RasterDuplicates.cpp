#include "pipeline/RasterDuplicates.h"

#include "pipeline/CacheHelper.h"

#include "app/Log.h"
#include "platform/Processors.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

namespace {

// Textures read at once before they are digested or decoded on every core.
constexpr size_t kBatch = 256;
// Rasters or decoded pixels of one size held at once; a larger group is first narrowed
// down by small signatures, and only the textures that could have a twin are held.
constexpr size_t kMemoryBudget = size_t(512) << 20;
// A signature: the raster cut into this many pieces, each summed.
constexpr size_t kPieces = 64;

size_t ThreadCount(size_t threads) {
    return threads ? threads : unsigned(UsableProcessors());
}

// Runs work(i) for every i below count on up to threads threads. The first failure (out of
// memory on a large raster) stops the rest and is rethrown on the calling thread, where the
// tool reports it; thrown on a helper it would end the program.
template <typename Work> void ParallelFor(size_t count, size_t threads, const Work& work) {
    std::atomic<size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    const auto run = [&] {
        try {
            for (size_t i; (i = next.fetch_add(1)) < count;)
                work(i);
        } catch (...) {
            next = count;
            std::lock_guard lock(failureMutex);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < std::min(threads, count); ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread& helper : helpers)
        helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

struct Sample {
    bool usable = false;
    std::vector<uint64_t> signature; // per piece: the byte sum, or a hash of the bytes
    Md5Digest digest{};
    std::vector<uint8_t> raster;
    std::unique_ptr<Bitmap32> bitmap;
    std::optional<RawTexture> raw;
};

bool Decoded(RasterAlgorithm algorithm) {
    return algorithm == RasterAlgorithm::kMd5Decoded ||
           algorithm == RasterAlgorithm::kPixelDiffDecoded;
}

class CRasterPass {
public:
    CRasterPass(CTextureDatabase& db, CacheId cache, RasterAlgorithm algorithm, int threshold,
                const OptimizeProgress& progress, size_t threads, size_t memoryBudget)
        : m_Db(db), m_Helper(&db), m_Cache(cache), m_Algorithm(algorithm),
          m_nLimit(static_cast<uint32_t>(std::max(threshold, 0)) * 4u), m_Progress(progress),
          m_nThreads(ThreadCount(threads)), m_nBudget(memoryBudget ? memoryBudget : kMemoryBudget) {
    }

    // The (duplicate, original) pairs in the order the aliases are made.
    std::vector<std::pair<int, int>> Find() {
        if (m_Algorithm == RasterAlgorithm::kMd5 || m_Algorithm == RasterAlgorithm::kMd5Decoded)
            FindByDigest();
        else
            FindByDifference();
        std::sort(m_Pairs.begin(), m_Pairs.end(), [](const auto& a, const auto& b) {
            return std::pair(a.second, a.first) < std::pair(b.second, b.first);
        });
        return m_Pairs;
    }

private:
    // Reads a texture on this thread; what may run anywhere is left for Finish.
    void Read(int texture, Sample& sample) {
        if (m_Db.IsAlias(texture) || !m_Db.GetTexture(texture))
            return;
        if (Decoded(m_Algorithm)) {
            sample.raw = m_Helper.ReadRawTexture(texture, m_Cache, 0, false);
            return;
        }
        try {
            if (auto raster = m_Db.ReadTextureData(m_Cache, texture, false)) {
                sample.raster = std::move(*raster);
                sample.usable = true;
            }
        } catch (const CError& error) {
            LogPrintA("CDlgOptimize: ERROR: #%d cannot be read: %s\n", texture, error.what());
        }
    }

    // Decodes (and digests) a sample that was read; safe on any thread.
    void Finish(Sample& sample, uint32_t width, uint32_t height) const {
        if (sample.raw) {
            CCacheHelper::DecodeProblem problem;
            sample.bitmap = DecodeRawTexture(*sample.raw, problem);
            sample.raw.reset();
            sample.usable = sample.bitmap && sample.bitmap->Width() == width &&
                            sample.bitmap->Height() == height;
        }
        if (!sample.usable)
            return;
        if (m_bSignatures) {
            if (sample.bitmap)
                sample.signature =
                    Signature(sample.bitmap->Bits(), sample.bitmap->ByteSize(), true);
            else
                sample.signature = Signature(sample.raster.data(), sample.raster.size(), false);
            sample.raster = {};
            sample.bitmap.reset();
            return;
        }
        if (m_Algorithm == RasterAlgorithm::kMd5)
            sample.digest = Md5Of(sample.raster.data(), sample.raster.size());
        else if (m_Algorithm == RasterAlgorithm::kMd5Decoded)
            sample.digest = Md5Of(sample.bitmap->Bits(), size_t(width) * height * 4);
        if (m_Algorithm == RasterAlgorithm::kMd5 || m_Algorithm == RasterAlgorithm::kMd5Decoded) {
            sample.raster = {};
            sample.bitmap.reset();
        }
    }

    // Reads, then decodes or digests on every core, the textures listed.
    std::vector<Sample> Load(const std::vector<int>& textures) {
        std::vector<Sample> samples(textures.size());
        for (size_t at = 0; at < textures.size(); at += kBatch) {
            const size_t end = std::min(textures.size(), at + kBatch);
            for (size_t s = at; s < end; ++s)
                Read(textures[s], samples[s]);
            ParallelFor(end - at, m_nThreads, [&](size_t s) {
                const int t = textures[at + s];
                Finish(samples[at + s], uint32_t(m_Db.GetWidth(m_Cache, t, false)),
                       uint32_t(m_Db.GetHeight(m_Cache, t, false)));
            });
            for (size_t s = at; s < end; ++s)
                Report(textures[s], samples[s]);
        }
        return samples;
    }

    void Report(int texture, const Sample& sample) {
        if (!m_Progress)
            return;
        const bool digest =
            m_Algorithm == RasterAlgorithm::kMd5 || m_Algorithm == RasterAlgorithm::kMd5Decoded;
        m_Progress(digest ? texture + 1 : texture, m_Db.TextureCount(),
                   digest ? DigestText(sample.usable ? sample.digest : Md5Of(nullptr, 0))
                          : m_Db.GetTextureName(texture));
    }

    void FindByDigest() {
        std::vector<int> all(size_t(m_Db.TextureCount()));
        for (size_t t = 0; t < all.size(); ++t)
            all[t] = static_cast<int>(t);
        const std::vector<Sample> samples = Load(all);
        // The first texture of each digest is the original of every later one.
        std::map<Md5Digest, int> first;
        for (size_t t = 0; t < samples.size(); ++t) {
            if (!samples[t].usable)
                continue;
            const auto [found, fresh] = first.emplace(samples[t].digest, static_cast<int>(t));
            if (!fresh)
                m_Pairs.emplace_back(static_cast<int>(t), found->second);
        }
    }

    // Only textures that could be duplicates are compared: the same stored length and
    // raster size, or the same decoded size.
    std::map<std::pair<uint64_t, uint64_t>, std::vector<int>> SizeGroups() {
        std::map<std::pair<uint64_t, uint64_t>, std::vector<int>> groups;
        for (int t = 0; t < m_Db.TextureCount(); ++t) {
            if (m_Db.IsAlias(t) || !m_Db.GetTexture(t))
                continue;
            if (m_Algorithm == RasterAlgorithm::kPixelDiff)
                groups[{m_Db.StoredLength(t, m_Cache, false), m_Db.GetDataSize(m_Cache, t, false)}]
                    .push_back(t);
            else
                groups[{uint64_t(m_Db.GetWidth(m_Cache, t, false)),
                        uint64_t(m_Db.GetHeight(m_Cache, t, false))}]
                    .push_back(t);
        }
        return groups;
    }

    void FindByDifference() {
        for (const auto& [size, members] : SizeGroups()) {
            if (members.size() < 2)
                continue;
            const uint64_t each = m_Algorithm == RasterAlgorithm::kPixelDiff
                                      ? size.second
                                      : size.first * size.second * 4;
            std::vector<int> held = members;
            if (each * members.size() > m_nBudget) {
                m_bSignatures = true;
                held = PossibleTwins(members, Load(members));
                m_bSignatures = false;
            }
            Compare(held, Load(held));
        }
    }

    // Each texture is aliased to the first earlier one close to it that is not an alias
    // itself, in texture order.
    void Compare(const std::vector<int>& members, const std::vector<Sample>& samples) {
        std::vector<bool> aliased(members.size(), false);
        for (size_t i = 0; i < members.size(); ++i) {
            if (aliased[i] || !samples[i].usable)
                continue;
            for (size_t j = i + 1; j < members.size(); ++j)
                if (!aliased[j] && samples[j].usable && Close(samples[i], samples[j])) {
                    aliased[j] = true;
                    m_Pairs.emplace_back(members[j], members[i]);
                }
        }
    }

    // The textures whose signature allows a twin: the differences of the pieces bound the
    // measure from below (a piece whose bytes differ holds at least one differing byte,
    // and a piece's difference of sums is at most the sum of its differences).
    std::vector<int> PossibleTwins(const std::vector<int>& members,
                                   const std::vector<Sample>& samples) const {
        std::vector<bool> twin(members.size(), false);
        for (size_t i = 0; i < members.size(); ++i)
            for (size_t j = i + 1; j < members.size(); ++j) {
                if ((twin[i] && twin[j]) || !samples[i].usable || !samples[j].usable)
                    continue;
                if (LowerBound(samples[i], samples[j]) < m_nLimit)
                    twin[i] = twin[j] = true;
            }
        std::vector<int> kept;
        for (size_t i = 0; i < members.size(); ++i)
            if (twin[i])
                kept.push_back(members[i]);
        return kept;
    }

    uint64_t LowerBound(const Sample& a, const Sample& b) const {
        uint64_t bound = 0;
        for (size_t p = 0; p < a.signature.size() && p < b.signature.size() && bound < m_nLimit;
             ++p) {
            if (m_Algorithm == RasterAlgorithm::kPixelDiff)
                bound += a.signature[p] != b.signature[p];
            else
                bound += a.signature[p] > b.signature[p] ? a.signature[p] - b.signature[p]
                                                         : b.signature[p] - a.signature[p];
        }
        return bound;
    }

    static std::vector<uint64_t> Signature(const uint8_t* data, size_t size, bool sums) {
        std::vector<uint64_t> pieces(kPieces, sums ? 0 : 1469598103934665603ull);
        for (size_t p = 0; p < kPieces; ++p) {
            const size_t begin = size * p / kPieces, end = size * (p + 1) / kPieces;
            for (size_t k = begin; k < end; ++k)
                pieces[p] = sums ? pieces[p] + data[k] : (pieces[p] ^ data[k]) * 1099511628211ull;
        }
        return pieces;
    }

    bool Close(const Sample& a, const Sample& b) const {
        if (m_Algorithm == RasterAlgorithm::kPixelDiff) {
            if (a.raster.size() != b.raster.size())
                return false;
            uint64_t differing = 0;
            for (size_t p = 0; p < a.raster.size() && differing < m_nLimit; ++p)
                differing += a.raster[p] != b.raster[p];
            return differing < m_nLimit;
        }
        if (a.bitmap->Width() != b.bitmap->Width() || a.bitmap->Height() != b.bitmap->Height())
            return false;
        const uint8_t* pa = a.bitmap->Bits();
        const uint8_t* pb = b.bitmap->Bits();
        const size_t bytes = a.bitmap->ByteSize();
        // The sum saturates below 2^32 as the full measure does; it stops as soon as it
        // can no longer stay under the limit.
        uint64_t sum = 0;
        for (size_t p = 0; p < bytes && sum < m_nLimit; ++p)
            sum += pa[p] > pb[p] ? pa[p] - pb[p] : pb[p] - pa[p];
        return std::min<uint64_t>(sum, 0xFFFFFFFEu) < m_nLimit;
    }

    CTextureDatabase& m_Db;
    CCacheHelper m_Helper;
    CacheId m_Cache;
    RasterAlgorithm m_Algorithm;
    uint32_t m_nLimit;
    const OptimizeProgress& m_Progress;
    size_t m_nThreads;
    size_t m_nBudget;
    bool m_bSignatures = false; // loading signatures only
    std::vector<std::pair<int, int>> m_Pairs;
};

} // namespace

std::vector<std::pair<int, int>> FindRasterDuplicates(CTextureDatabase& db, CacheId cache,
                                                      RasterAlgorithm algorithm, int threshold,
                                                      const OptimizeProgress& progress,
                                                      size_t threads, size_t memoryBudget) {
    return CRasterPass(db, cache, algorithm, threshold, progress, threads, memoryBudget).Find();
}
