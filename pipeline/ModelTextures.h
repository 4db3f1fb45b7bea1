#pragma once
// The texture names a model uses (or a dictionary holds), their state against the open
// cache, renaming a name throughout a model, and the plain-text list of a model's
// materials. The model check window and the command line share these.
#include "pipeline/TXDHelper.h"
#include "rw/SimpleDFF.h"

#include <memory>
#include <string>
#include <vector>

class CTextureDatabase;

class CModelTextures {
public:
    enum class Kind { kNone, kModel, kDictionary };

    // Reads a model, or a dictionary of any flavour; raises RW::CException when the file
    // is neither readable model nor dictionary. Any other root section lists no names.
    void Open(const std::string& path);
    Kind GetKind() const { return m_Kind; }
    // The stream read, for its outline and version; null before Open.
    RW::CStream* Stream();
    // Every name once, in the order first found; empty names are left out.
    const std::vector<std::string>& Names() const { return m_Names; }

    // Renames every texture reference spelled exactly oldName (the material-effect names
    // stay) and reads the names again; the number renamed. A dictionary renames nothing.
    int Rename(const std::string& oldName, const std::string& newName);
    // The first texture of each material of the first geometry, one per line; a material
    // without a texture adds no line.
    std::string PlainText();
    // Writes the model (renamed names included) beside path and renames it over path, so a
    // failure leaves the old file. Raises RW::CException on any failure.
    void Save(const std::string& path);

private:
    void CollectNames();

    Kind m_Kind = Kind::kNone;
    std::unique_ptr<RW::CSimpleDFF> m_pModel;
    CTXDHelper m_Dictionary;
    std::vector<std::string> m_Names;
};

// A name against the open cache: found (texture set), not found, or no cache open.
struct NameInCache {
    enum State { kFound, kNotFound, kNoCache } state = kNoCache;
    int texture = -1;
};
NameInCache FindNameInCache(const CTextureDatabase* db, const std::string& name);
