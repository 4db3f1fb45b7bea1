#include "cache/TextureDatabase.h"

#include "app/Log.h"

CTextureDatabase::CTextureDatabase(const std::string& path, int game) {
    LogPrint(L"CTextureDatabase: __________FUCK__________\n");
    LogPrint(L"CTextureDatabase: Initialization...\n");
    SetGame(game);
    Open(path);
}

CTextureDatabase::CTextureDatabase(int game) {
    LogPrint(L"CTextureDatabase: Initialization...\n");
    SetGame(game);
}

CTextureDatabase::~CTextureDatabase() {
    LogPrint(L"CTextureDatabase: Destroying object...\n");
}

int CTextureDatabase::Create(const std::string& path) {
    StartOver(path);
    CEditScope edit(*this);
    for (CacheId k : kAllCaches) {
        for (CacheFileKind kind : {CacheFileKind::kToc, CacheFileKind::kDat, CacheFileKind::kTmb})
            InstallStaged(kind, k, StageFile(kind, k));
        if (!m_PrimaryCache)
            m_PrimaryCache = k;
    }
    CategoryRecord category;
    category.name = "Default";
    m_Categories.push_back(category);
    RebuildTxt();
    Flush();
    return 1;
}
