#include "pipeline/CacheConverter.h"

#include "pipeline/CacheHelper.h"
#include "pipeline/EncodeAhead.h"
#include "pipeline/TextureEncoding.h"

#include "app/Log.h"
#include "platform/Processors.h"
#include "raster/RasterFormat.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

struct Cancelled {};

// One texture on its way: decoded on the converting thread, encoded on any.
struct Item {
    bool alias = false;
    std::unique_ptr<Bitmap32> bitmap;
    EncodeRequest request;
    EncodeSettings settings;
    std::string problem; // why it cannot be converted
    bool queued = false;
};

class CConversion {
public:
    CConversion(CTextureDatabase& db, const ConvertOptions& options)
        : m_Db(db), m_Helper(&db), m_Options(options), m_Items(size_t(db.TextureCount())) {
        size_t threads = options.threads;
        if (threads == 0)
            threads = unsigned(UsableProcessors());
        // Plug-ins that may not be entered twice at once keep the conversion one by one.
        if (threads > 1 && CompressorsThreadSafe()) {
            m_pAhead = std::make_unique<CEncodeAhead>(static_cast<int>(threads));
            m_nWindow = threads * 2;
        }
    }
    ~CConversion() {
        m_pAhead.reset(); // before the bitmaps it may still read
    }

    void Run(ConvertResult& result) {
        const int count = m_Db.TextureCount();
        // Every record of the source is read before the first byte is written.
        for (int i = 0; i < count; ++i) {
            Step("Preparing...", i, count);
            m_Db.GetTexture(i);
        }
        CEditScope edit(m_Db);
        m_Db.BeginCacheRebuild(m_Options.target);
        for (int i = 0; i < count; ++i) {
            Step(m_Db.GetTextureName(i), i, count);
            Prepare(std::min(size_t(i) + m_nWindow, m_Items.size() - 1));
            Store(size_t(i), result);
        }
        m_Db.FinishCacheRebuild(m_Options.target);
    }

private:
    void Step(const std::string& text, int position, int count) {
        if (m_Options.progress && !m_Options.progress(text, position, count))
            throw Cancelled{};
    }

    // Reads and decodes the textures up to last, and queues their encodings.
    void Prepare(size_t last) {
        for (; m_nPrepared <= last; ++m_nPrepared) {
            Item& item = m_Items[m_nPrepared];
            const int texture = static_cast<int>(m_nPrepared);
            if (m_Db.IsAlias(texture)) {
                item.alias = true;
                continue;
            }
            Decode(texture, item);
            if (!item.bitmap)
                continue;
            item.settings = m_Helper.CurrentEncodeSettings(item.request);
            if (m_pAhead) {
                m_pAhead->Start(item.request, item.settings);
                item.queued = true;
            }
        }
    }

    void Decode(int texture, Item& item) {
        const CacheId source = m_Options.source;
        std::optional<RawTexture> raw = m_Helper.ReadRawTexture(texture, source, 0, false);
        if (!raw) {
            item.problem = m_Helper.DecodeError().text.empty() ? "it has no record to read"
                                                               : m_Helper.DecodeError().text;
            return;
        }
        CCacheHelper::DecodeProblem problem;
        item.bitmap = DecodeRawTexture(*raw, problem);
        if (!item.bitmap) {
            item.problem = problem.text.empty() ? "it cannot be decoded" : problem.text;
            return;
        }
        const TextureRecord* record = m_Db.GetTexture(texture);
        EncodeRequest& request = item.request;
        request.bitmap = item.bitmap.get();
        request.name = record->name;
        // A texture stored with 32 bits keeps them, and its alpha with them.
        request.uncompressed = FormatFromGlCode(raw->header.glFormat) == RASTER_RGBA8888;
        request.withAlpha = record->alphamode != 0 || request.uncompressed;
        request.targetCache = m_Options.target;
        request.game = m_Options.game;
        request.thumbnailOfTargetOnly = true;
        if (!EncodableSize(item.bitmap->Width(), item.bitmap->Height(), std::nullopt)) {
            item.problem = "Wrong texture dimensions given.";
            item.bitmap.reset();
        }
    }

    void Store(size_t index, ConvertResult& result) {
        Item& item = m_Items[index];
        const CacheId target = m_Options.target;
        if (item.alias) {
            m_Db.AppendNoRecord(target);
            ++result.aliases;
            return;
        }
        if (item.bitmap) {
            std::optional<EncodedTexture> encoded;
            if (item.queued)
                encoded = m_pAhead->Take(item.request, item.settings);
            try {
                if (!encoded)
                    encoded = EncodeTexture(item.request, item.settings);
            } catch (const CError& error) {
                item.problem = error.what();
            } catch (const std::bad_alloc& error) {
                item.problem = error.what();
            }
            if (encoded) {
                m_Helper.StoreEncoded(item.request, item.settings, *encoded);
                ++result.textures;
            }
        }
        item.bitmap.reset();
        if (!item.problem.empty()) {
            const std::string name = m_Db.GetTextureName(static_cast<int>(index));
            LogPrintA("CDlgConverter: ERROR: \"%s\" not converted: %s\n", name.c_str(),
                      item.problem.c_str());
            result.unconverted.push_back(name + ": " + item.problem);
            m_Db.AppendMissingTexture(target,
                                      LayoutOfGame(m_Options.game).value_or(RecordLayout::kVC));
        }
    }

    CTextureDatabase& m_Db;
    CCacheHelper m_Helper;
    const ConvertOptions& m_Options;
    std::vector<Item> m_Items;
    std::unique_ptr<CEncodeAhead> m_pAhead;
    size_t m_nWindow = 0, m_nPrepared = 0;
};

} // namespace

std::string ConvertRefusal(const CTextureDatabase* db, CacheId source, CacheId target) {
    if (!db || !db->PrimaryCache())
        return "no cache is open";
    if (source == target)
        return kSameCacheText;
    if (!db->IsDatOpen(source))
        return std::string("the ") + CacheName(source) + " cache has no data file to convert from";
    return {};
}

int ConversionGame(CTextureDatabase& db, CacheId source, int game) {
    if (LayoutOfGame(game))
        return game;
    CCacheHelper helper(&db);
    for (int t = 0; t < db.TextureCount(); ++t)
        if (!db.IsAlias(t) && db.GetTexture(t) && db.GetOffset(source, t, false) >= 0)
            return static_cast<int>(db.DetectLayout(t, source, false));
    return static_cast<int>(RecordLayout::kVC);
}

ConvertResult ConvertCache(CTextureDatabase& db, const ConvertOptions& options) {
    ConvertResult result;
    result.problem = ConvertRefusal(&db, options.source, options.target);
    if (!result.problem.empty())
        return result;
    ConvertOptions settled = options;
    settled.game = ConversionGame(db, options.source, options.game);
    LogPrintA("CDlgConverter: converting '%s' into '%s'...\n", CacheName(options.source),
              CacheName(options.target));
    try {
        CConversion conversion(db, settled);
        conversion.Run(result);
        result.converted = true;
    } catch (const Cancelled&) {
        result = ConvertResult{};
        result.cancelled = true;
    } catch (const std::exception& error) {
        // The edit is undone: the old target stands.
        result = ConvertResult{};
        result.problem = error.what();
    }
    return result;
}
