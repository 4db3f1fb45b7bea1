// RenderWare readers on hostile input. One source, several targets (FUZZ_MODE):
//   0 the stream with the default reader: every body read, the tree written back;
//   1 the same with the mobile dictionary reader;
//   2, 3, 4 the PC, PS2 and mobile dictionaries: every getter and DecodeTexture;
//   5 a model: every texture name collected, one renamed, the tree written back.
// The input is the file; it is handed over as an open handle, as archives do.
#include "app/Settings.h"
#include "pipeline/TXDHelper.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"
#include "rw/SimpleDFF.h"
#include "rw/TextureDictionary.h"

#include <cstdlib>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

#ifndef FUZZ_MODE
#error "FUZZ_MODE selects the reader"
#endif

namespace {

void Walk(RW::CStream& stream, RW::CNode* node) {
    if (node->m_ppSections.empty())
        node->GetData(stream.m_hFile);
    for (auto& child : node->m_ppSections)
        Walk(stream, child.get());
}

void WriteBack(RW::CStream& stream) {
    std::vector<uint8_t> out;
    if (stream.Root())
        stream.WriteSection(out, stream.Root(), 0);
}

// DecodeTexture goes through the helper, as every caller's does.
struct Adopt : CTXDHelper {
    void Take(std::unique_ptr<RW::ITXD> txd) {
        m_pTXD = std::move(txd);
        m_bAttached = true; // the handle stays the caller's
    }
};

template <class T> void Dictionary(int fd) {
    auto txd = std::make_unique<T>();
    try {
        txd->Attach(fd, 0, 0, 0);
    } catch (const RW::CException&) {
        txd->m_hFile = -1;
        return;
    }
    RW::ITXD& d = *txd;
    Adopt helper;
    helper.Take(std::move(txd));
    uint32_t count = 0;
    try {
        count = std::min<uint32_t>(d.GetTextureCount(), 64);
    } catch (const RW::CException&) {
    }
    for (uint32_t t = 0; t < count; ++t) {
        try {
            d.IsTexturePlatform(4, t);
            d.GetTextureName(t, false);
            d.GetTextureName(t, true);
            d.GetTextureFormatName(t);
            d.GetTextureMipCount(t);
            d.TextureHasAlpha(t);
            d.GetTexturePlatform(t);
            d.GetTexturePalette(t);
            d.GetTextureRaster(t, 1);
            d.GetTextureRasterSize(t, 1);
        } catch (const RW::CException&) {
        }
        try {
            helper.DecodeTexture(t);
        } catch (const RW::CException&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
    char settings[] = "/tmp/tessarine-fuzz-XXXXXX";
    int fd = mkstemp(settings);
    if (fd >= 0)
        close(fd);
    Settings::SetPath(settings);
    InitPluginBindings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = memfd_create("rw", MFD_CLOEXEC);
    if (fd < 0 || (size && write(fd, data, size) != static_cast<ssize_t>(size)))
        abort();
    if (FUZZ_MODE == 0 || FUZZ_MODE == 1) {
        std::unique_ptr<RW::CStream> stream;
        if (FUZZ_MODE == 0)
            stream = std::make_unique<RW::CStream>();
        else
            stream = std::make_unique<RW::CTXDMobile>();
        try {
            stream->Attach(fd, 0, 0, 0);
            Walk(*stream, stream->Root());
            WriteBack(*stream);
        } catch (const RW::CException&) {
        }
        stream->m_hFile = -1;
    } else if (FUZZ_MODE == 2) {
        Dictionary<RW::CTXDPC>(fd);
    } else if (FUZZ_MODE == 3) {
        Dictionary<RW::CTXDPS2>(fd);
    } else if (FUZZ_MODE == 4) {
        Dictionary<RW::CTXDMobile>(fd);
    } else {
        RW::CSimpleDFF dff;
        try {
            dff.Attach(fd, 0, 0, 0);
            std::string first;
            dff.CollectTextureNames([&](const std::string& name) {
                if (first.empty())
                    first = name;
            });
            if (dff.TextureExists(0, 0, 0))
                dff.SetTextureName("renamed", 0, 0, 0, 0);
            Walk(dff, dff.Root());
            WriteBack(dff);
        } catch (const RW::CException&) {
        }
        dff.m_hFile = -1;
    }
    close(fd);
    return 0;
}
