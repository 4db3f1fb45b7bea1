// Opening a cache and loading record headers. The DAT, TOC and TMB readers plug in here;
// until a cache's data files are opened, records carry no headers or offsets.
#include "cache/TextureDatabase.h"

int CTextureDatabase::Open(const std::string& path) {
    m_strPath = path;
    m_Categories.clear();
    m_Textures.clear();
    LoadTxt(path); // a missing index leaves both lists empty
    return 1;
}

void CTextureDatabase::EnsureRecordLoaded(int texture) {
    // Headers and DAT offsets are read from the open DAT files on first use; with no
    // DAT open there is nothing to read.
    (void)texture;
}

void CTextureDatabase::ReloadThumbOffsets() {
    // Thumbnail offsets come from walking each open TMB file; none is open yet.
}
