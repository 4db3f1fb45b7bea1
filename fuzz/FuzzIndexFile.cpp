// Feeds arbitrary bytes to the index parser and writes the result back.
#include "cache/TextureDatabase.h"
#include "platform/MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
        return true;
    }();
    (void)quiet;
    CTextureDatabase db(0);
    db.ParseTxt(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int i = 0; i < db.TextureCount(); ++i) {
        db.GetOriginalIndex(i);
        db.FindNextAlias(0, i);
    }
    // A rewrite must parse back to the same number of records.
    const std::string text = db.BuildTxtText();
    CTextureDatabase again(0);
    again.ParseTxt(text);
    if (again.TextureCount() != db.TextureCount() || again.CategoryCount() != db.CategoryCount())
        __builtin_trap();
    return 0;
}
