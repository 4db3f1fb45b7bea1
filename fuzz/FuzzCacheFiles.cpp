// Writes an index, TOC, DAT and TMB from the input, opens them as a cache, reads every
// texture and thumbnail, runs the open-time checks and, on some inputs, edits the cache.
//
// Input: one flag byte (game setting, which caches get the files, whether to edit), then
// four parts, each a 16-bit little-endian length and that many bytes: index, TOC, DAT, TMB.
#include "cache/ByteOrder.h"
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "fuzz/FuzzFiles.h"
#include "gta/BlockCompression.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string g_dir;

std::string Encode(uint8_t flags, const std::vector<std::string>& parts) {
    std::string out(1, static_cast<char>(flags));
    for (const std::string& part : parts) {
        out += static_cast<char>(part.size() & 0xFF);
        out += static_cast<char>(part.size() >> 8);
        out += part;
    }
    return out;
}

std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    WriteLe32(reinterpret_cast<uint8_t*>(s.data()), v);
    return s;
}

std::string Header(uint16_t gl, uint16_t w, uint16_t h) {
    std::string s(8, '\0');
    EncodeHeader({0xADDE, gl, w, h}, reinterpret_cast<uint8_t*>(s.data()));
    return s;
}

// A few well-formed caches to start from.
void MakeSeeds(const std::string& dir) {
    const std::string index = "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n"
                              "\"a\" width=2 height=2\r\n\"al\" \"affiliate=a\"\r\n"
                              "\"b\" width=4 height=4\r\n";
    // VC: a 2x2 RGBA 8888, b 4x4 DXT1 with mips.
    std::string vcA = Header(0x1401, 2, 2) + std::string(16, '\x11');
    std::string vcB = Header(0x83F0, 4, 0x8004) + std::string(24, '\x22');
    std::string dat = vcA + vcB;
    std::string toc = Le32(static_cast<uint32_t>(dat.size())) + Le32(0) + Le32(0xFFFFFFFF) +
                      Le32(static_cast<uint32_t>(vcA.size()));
    std::string thumb = Header(0x1401, 1, 1) + std::string(4, '\x33');
    std::string tmb = thumb + thumb;
    const std::vector<std::pair<std::string, std::string>> seeds = {
        {"vc", Encode(0x11, {index, toc, dat, tmb})},
        {"vc-walk", Encode(0x01, {index, "", dat, tmb})},
    };
    // SA: a stored, b packed.
    std::string saA = Header(0x1401, 2, 2) + Le32(20) + Le32(0) + std::string(16, '\x11');
    std::vector<uint8_t> raster(24, 0x22), packed(24);
    const uint32_t length = GTA::PackData(raster.data(), packed.data(), 24, 24, 8);
    std::string saB = Header(0x83F0, 4, 0x8004) + Le32(length) +
                      std::string(reinterpret_cast<char*>(packed.data()), length);
    std::string saDat = saA + saB;
    std::string saToc = Le32(static_cast<uint32_t>(saDat.size())) + Le32(0) + Le32(0xFFFFFFFF) +
                        Le32(static_cast<uint32_t>(saA.size()));
    std::string saThumb = Header(0x1401, 1, 1) + Le32(8) + Le32(0) + std::string(4, '\x33');
    std::vector<std::pair<std::string, std::string>> all = seeds;
    all.push_back({"sa", Encode(0x92, {index, saToc, saDat, saThumb + saThumb})});
    for (const auto& [name, data] : all)
        WriteFuzzFile(dir + "/seed-" + name, reinterpret_cast<const uint8_t*>(data.data()),
                      data.size());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned type) {
        return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    });
    // A memory file system where there is one: every input writes a dozen files.
    std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/tessarine-fuzz-XXXXXX"
                                                              : "/tmp/tessarine-fuzz-XXXXXX";
    g_dir = mkdtemp(pattern.data());
    if (const char* seeds = getenv("TESSARINE_FUZZ_SEEDS"))
        MakeSeeds(seeds);
    atexit([] { std::filesystem::remove_all(g_dir); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    size_t at = 1;
    std::vector<std::pair<const uint8_t*, size_t>> parts;
    for (int i = 0; i < 4; ++i) {
        size_t length = 0;
        if (at + 2 <= size) {
            length = std::min<size_t>(data[at] | data[at + 1] << 8, size - at - 2);
            at += 2;
        }
        parts.push_back({data + at, length});
        at += length;
    }
    std::filesystem::remove_all(g_dir);
    std::filesystem::create_directory(g_dir);
    const std::string base = g_dir + "/f";
    WriteFuzzFile(base + ".txt", parts[0].first, parts[0].second);
    for (CacheId k : kAllCaches) {
        if (!(flags & (1u << (Slot(k) + 4))) && k != CacheId::kDxt)
            continue;
        const std::string cache = base + "." + CacheName(k);
        if (parts[1].second || !(flags & 0x01))
            WriteFuzzFile(cache + ".toc", parts[1].first, parts[1].second);
        WriteFuzzFile(cache + ".dat", parts[2].first, parts[2].second);
        if (parts[3].second || (flags & 0x08))
            WriteFuzzFile(cache + ".tmb", parts[3].first, parts[3].second);
    }
    const int game = (flags >> 1) % 3;
    try {
        CTextureDatabase db(base + ".txt", game);
        for (int t = 0; t < db.TextureCount(); ++t) {
            db.IsRecordValid(t);
            for (CacheId k : kAllCaches) {
                db.GetLevelCount(k, t, false);
                db.GetFormatName(k, t, true);
                for (bool thumb : {false, true}) {
                    try {
                        db.ReadTextureData(k, t, thumb);
                    } catch (const CError&) {
                    }
                }
            }
        }
        for (const CacheProblem& problem : CheckCache(db))
            if (flags & 0x04)
                FixProblem(db, problem);
        if ((flags & 0x0C) == 0x0C && db.TextureCount() > 0) {
            db.DeleteTextures({0, db.TextureCount() - 1});
            if (db.TextureCount() > 0)
                db.DeleteTexture(0, -1, true);
        }
    } catch (const CError&) {
        // Reported damage is the expected end for most inputs.
    }
    return 0;
}
