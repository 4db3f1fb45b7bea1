#pragma once
// The index file's model: the texture and category lists as the index text says them,
// the lines they are written back as, and lookups by name. No data file is touched here.
// Textures and categories are addressed by their 0-based position; -1 means none.
#include "cache/Error.h"
#include "cache/TextureRecord.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CTextureIndex {
public:
    // Parses the index file into the lists (appending); 0 when it does not exist.
    int LoadTxt(const std::string& path);
    // Parses index text (8-bit, as stored) into the lists, appending.
    void ParseTxt(std::string_view latin1Text);
    // The text RebuildTxt writes (8-bit, CR LF line ends).
    std::string BuildTxtText();

    std::string BuildTextureLine(TextureRecord& record);
    static std::string BuildCategoryLine(const CategoryRecord& record);
    int SetLineName(TextureRecord& record, const std::string& newName);
    int SetLineKey(TextureRecord& record, uint32_t newValue, const char* itemFormat,
                   uint32_t oldValue);

    int FindTexture(const std::string& name, bool caseSensitive) const;
    int FindTextureContaining(int start, const std::string& text) const;
    int FindNextAlias(int start, int texture) const;
    std::string GetTextureName(int texture) const;
    std::string GetCategoryName(int category) const;
    bool IsAlias(int texture) const;
    bool IsValidTexture(int texture) const;
    int GetTextureCamNorm(int texture) const;
    int GetTextureHasBias(int texture) const;

    int TextureCount() const { return static_cast<int>(m_Textures.size()); }
    int CategoryCount() const { return static_cast<int>(m_Categories.size()); }
    // Textures that have data of their own (that are not aliases).
    int OrdinaryCount() const;
    const std::vector<TextureRecord>& Textures() const { return m_Textures; }
    const std::vector<CategoryRecord>& Categories() const { return m_Categories; }
    int Game() const { return m_nGame; }
    // The record layout from now on: 0 automatic, 1 VC, 2 SA.
    void SetGame(int game) { m_nGame = game; }

    // Problems met and gone past (unknown index lines, a TOC of the wrong size, ...), each
    // a whole message: the window shows each in a box, the command-line tool prints them.
    // They are kept until taken, or handed to the sink as they come once one is set (the
    // ones kept so far first).
    using WarningSink = std::function<void(const std::string&)>;
    std::vector<std::string> TakeWarnings() { return std::exchange(m_Warnings, {}); }
    void SetWarningSink(WarningSink sink);

    // Logs a problem; a warning is kept for TakeWarnings, anything else throws CError with
    // the message.
    void ReportError(int sourceLine, uint32_t value, const std::string& message, bool warningOnly);

protected:
    CTextureIndex() = default;
    ~CTextureIndex() = default;

    std::vector<TextureRecord> m_Textures;
    std::vector<CategoryRecord> m_Categories;
    int m_nGame = 0;

private:
    std::vector<std::string> m_Warnings;
    WarningSink m_WarningSink;
};
