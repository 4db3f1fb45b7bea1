#include "rw/MaterialExtension.h"

#include "rw/SectionNames.h"
#include "rw/TextureDictionary.h"

#include <algorithm>

namespace RW {

namespace {

// What the effect type words of a material-effects body mean. The whole material's
// type comes first, then one word per effect slot (two slots) opening that slot's data.
enum class EffectType : uint32_t {
    None = 0,
    BumpMap = 1,
    EnvironmentMap = 2,
    BumpEnvironmentMap = 3,
    Dual = 4,
    UvTransform = 5,
    DualUvTransform = 6,
};

constexpr size_t kEffectSlots = 2;
constexpr size_t kHeaderSize = 12;
constexpr size_t kWord = 4;
// The specular body: a float level, then a 24-byte name field.
constexpr size_t kSpecularNameOffset = 4;
constexpr size_t kSpecularNameSize = 24;

class CEffectReader {
public:
    CEffectReader(const uint8_t* body, size_t size) : m_pBody(body), m_nSize(size) {}

    std::vector<std::string> Read() {
        uint32_t ignoredMaterialType;
        if (!Word(ignoredMaterialType))
            return m_Names;
        for (size_t slot = 0; slot < kEffectSlots; ++slot)
            if (!Slot())
                break;
        return m_Names;
    }

private:
    bool Word(uint32_t& value) {
        if (m_nSize - m_nPosition < kWord)
            return false;
        value = ReadLE32(m_pBody + m_nPosition);
        m_nPosition += kWord;
        return true;
    }
    bool Skip(size_t bytes) {
        if (m_nSize - m_nPosition < bytes)
            return false;
        m_nPosition += bytes;
        return true;
    }
    // A "has texture" word and, when set, the Texture section that follows it.
    bool OptionalTexture() {
        uint32_t present;
        if (!Word(present))
            return false;
        return present == 0 || Texture();
    }
    // A Texture section: a Struct, then the name String (the mask follows, unused here).
    // Its children are read inside its own body only.
    bool Texture() {
        size_t textureEnd;
        if (!Section(SECTION_TEXTURE, textureEnd))
            return false;
        const size_t outer = m_nSize;
        m_nSize = textureEnd;
        size_t structEnd, nameEnd;
        bool named = Section(SECTION_STRUCT, structEnd);
        if (named) {
            m_nPosition = structEnd;
            named = Section(SECTION_STRING, nameEnd);
        }
        if (named)
            m_Names.push_back(FieldName(m_pBody + m_nPosition, nameEnd - m_nPosition));
        m_nSize = outer;
        m_nPosition = textureEnd;
        return named;
    }
    // A section header of the wanted id whose body fits; leaves the position at its body.
    bool Section(uint32_t id, size_t& end) {
        if (m_nSize - m_nPosition < kHeaderSize || ReadLE32(m_pBody + m_nPosition) != id)
            return false;
        uint32_t bodySize = ReadLE32(m_pBody + m_nPosition + kWord);
        if (m_nSize - m_nPosition - kHeaderSize < bodySize)
            return false;
        m_nPosition += kHeaderSize;
        end = m_nPosition + bodySize;
        return true;
    }
    bool Slot() {
        uint32_t type;
        if (!Word(type))
            return false;
        switch (static_cast<EffectType>(type)) {
        case EffectType::None:
        case EffectType::UvTransform:
            return true;
        case EffectType::BumpMap: // bumpiness, then the bumped and the bump texture
            return Skip(kWord) && OptionalTexture() && OptionalTexture();
        case EffectType::EnvironmentMap: // coefficient, frame-buffer alpha, texture
            return Skip(2 * kWord) && OptionalTexture();
        case EffectType::Dual: // source and destination blend, texture
            return Skip(2 * kWord) && OptionalTexture();
        default: // a combined or unknown type never opens a slot
            return false;
        }
    }

    const uint8_t* m_pBody;
    size_t m_nSize;
    size_t m_nPosition = 0;
    std::vector<std::string> m_Names;
};

} // namespace

std::vector<std::string> MaterialEffectTextureNames(const uint8_t* body, size_t size) {
    if (!body)
        return {};
    return CEffectReader(body, size).Read();
}

std::string SpecularTextureName(const uint8_t* body, size_t size) {
    if (!body || size <= kSpecularNameOffset)
        return {};
    size_t field = std::min(size - kSpecularNameOffset, kSpecularNameSize);
    return FieldName(body + kSpecularNameOffset, field);
}

} // namespace RW
