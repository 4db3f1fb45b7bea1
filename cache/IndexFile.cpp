// Reading and writing the index file (NAME.txt).
#include "cache/IndexLine.h"
#include "cache/IndexText.h"
#include "cache/CacheEditor.h"

#include "app/Log.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int CTextureIndex::LoadTxt(const std::string& path) {
    errno = 0;
    const std::optional<std::string> read = Files::ReadWholeFile(path);
    if (!read) {
        // Only a missing index reads as an empty one. An index that is there but cannot
        // be read must not: the cache would look empty, its TOCs too long, and a repair
        // would throw every texture away.
        if (errno == ENOENT)
            return 0;
        throw CError("Cannot read the index file '" + path + "': " + std::strerror(errno));
    }
    const std::string& text = *read;
    LogPrint(L"CTextureDatabase: Loading TXT...\n");
    // Anything else given as an index (an image, a program) is refused before it is
    // parsed, and so before a rewrite could replace it with index text.
    const std::string problem = IndexText::Problem(IndexText::WithoutByteOrderMark(text));
    if (!problem.empty())
        throw CError("'" + path + "' is not a texture index: " + problem + ".");
    ParseTxt(text);
    return 1;
}

namespace {

// Unknown lines are reported one by one up to this many; a file full of them would
// otherwise put up a box for every line.
constexpr int kUnknownLinesReported = 10;

} // namespace

void CTextureIndex::ParseTxt(std::string_view text) {
    text = IndexText::WithoutByteOrderMark(text);
    int lineCounter = 0;
    int unknownLines = 0;
    // Room for exactly the texture lines there are, so a file of blank lines costs nothing.
    size_t textureLines = !text.empty() && text[0] == '"';
    for (size_t i = 1; i < text.size(); ++i)
        textureLines += text[i] == '"' && (text[i - 1] == '\n' || text[i - 1] == '\r');
    m_Textures.reserve(m_Textures.size() + textureLines);
    std::string piece;
    // Every line is read whole; CR LF, LF and a lone CR end it, and the line end is kept as
    // one LF. A file that ends with a line end has one empty piece after it, as has an
    // empty file.
    for (size_t start = 0; start <= text.size();) {
        const IndexText::Line line = IndexText::ReadLine(text, start);
        piece.assign(line.text);
        if (line.ended)
            piece += '\n';

        if (!piece.empty() && piece[0] == '"') {
            TextureRecord& record = m_Textures.emplace_back();
            IndexLine::ParseTexture(piece, record);
            record.line = Text::Latin1ToUtf8(piece);
        } else if (!piece.empty() && piece[0] == 'c') {
            CategoryRecord category;
            IndexLine::ParseCategory(piece, category);
            LogPrintA("CTextureDatabase: Category #%d '%s' added...\n", category.id,
                      category.name.c_str());
            m_Categories.push_back(std::move(category));
        } else if (piece.empty()) {
            LogPrint(L"CTextureDatabase: Empty line: ain't cool, but possible, i think.\n");
        } else if (++unknownLines <= kUnknownLinesReported) {
            // The line is shown as text: its control characters (a hostile file's terminal
            // escapes among them) are written out, not sent to whoever shows the message.
            // Only its own line end stays as it is.
            ReportError(__LINE__, static_cast<uint32_t>(lineCounter),
                        "Unknown line '" + Text::EscapeControls(Text::Latin1ToUtf8(line.text)) +
                            (line.ended ? "\n" : "") + "' found while parsing TXT file.",
                        true);
        }
        ++lineCounter;
        start = line.next;
    }
    if (unknownLines > kUnknownLinesReported)
        ReportError(__LINE__, static_cast<uint32_t>(unknownLines - kUnknownLinesReported),
                    "More unknown lines [value] found while parsing TXT file.", true);
}

std::string CTextureIndex::BuildTxtText() {
    std::string text;
    text.reserve(m_Textures.size() * 96 + m_Categories.size() * 64);
    const auto append = [&text](const std::string& line) {
        text += Text::Utf8ToLatin1(IndexLine::TrimLine(line));
        text += "\r\n";
    };
    for (const CategoryRecord& category : m_Categories)
        append(BuildCategoryLine(category));
    for (TextureRecord& record : m_Textures)
        append(BuildTextureLine(record));
    return text;
}

void CCacheEditor::RebuildTxt() {
    LogPrint(L"CTextureDatabase: Rebuilding TXT file...\n");
    CEditScope edit(*this);
    const std::string text = BuildTxtText();
    // The new index replaces the old one when the edit commits; until then, and for
    // good if the edit fails, the old one stays.
    std::unique_ptr<CCacheFile> file = StageFile(CacheFileKind::kIndex, CacheId::kDxt);
    file->Append(text.data(), text.size());
    LogPrint(L"CTextureDatabase: Flushing TXT data...\n");
    // The commit syncs the files it holds open; the index is not one of them.
    file->Sync();
    InstallStaged(CacheFileKind::kIndex, CacheId::kDxt, std::move(file));
}

std::string CTextureIndex::BuildCategoryLine(const CategoryRecord& record) {
    return IndexLine::BuildCategory(record);
}

std::string CTextureIndex::BuildTextureLine(TextureRecord& record) {
    if (record.IsAlias()) {
        // Name and affiliate always come from the record. Items the file's own alias line
        // carried besides them (real caches have "hassibling=1" there) are kept after them.
        std::string line = "\"" + record.name + "\" \"affiliate=" + record.affiliate + "\"";
        const std::string extra = IndexLine::AliasExtraItems(record.line);
        if (!extra.empty())
            line += " " + extra;
        return line + "\n";
    }
    if (!record.line.empty())
        return record.line;
    // A texture made in memory: its line is built once and kept from then on.
    record.line = "\"" + record.name + "\" width=" + std::to_string(record.width) +
                  " height=" + std::to_string(record.height) + "\n";
    SetLineKey(record, record.cat, " cat=%d", record.cat);
    SetLineKey(record, record.alphamode, " alphamode=%d", record.alphamode);
    SetLineKey(record, record.hasdetail, " hasdetail=%d", record.hasdetail);
    SetLineKey(record, record.hassibling, " hassibling=%d", record.hassibling);
    SetLineKey(record, record.hasbias, " hasbias=%d", record.hasbias);
    SetLineKey(record, record.camnorm, " camnorm=%d", record.camnorm);
    SetLineKey(record, record.png, " png=%08x", record.png);
    SetLineKey(record, record.img, " img=%08x", record.img);
    return record.line;
}

int CTextureIndex::SetLineKey(TextureRecord& record, uint32_t newValue, const char* itemFormat,
                              uint32_t oldValue) {
    if (record.line.empty() || record.IsAlias())
        return 0;
    char oldItem[64], newItem[64];
    std::snprintf(oldItem, sizeof oldItem, itemFormat, oldValue);
    std::snprintf(newItem, sizeof newItem, itemFormat, newValue);
    IndexLine::RemoveItem(record.line, oldItem);
    if (newValue != 0)
        record.line = std::string(IndexLine::TrimLine(record.line)) + newItem;
    return 1;
}

int CTextureIndex::SetLineName(TextureRecord& record, const std::string& newName) {
    const std::string name = Text::Utf8Truncate(newName, kMaxNameLength);
    if (!record.line.empty()) {
        const std::string to = "\"" + name + "\"";
        // The line's own quoted name is what the file says, also when the record holds
        // it cut to the longest name a record keeps.
        size_t pos = 0;
        const size_t close = record.line[0] == '"' ? record.line.find('"', 1) : std::string::npos;
        if (close != std::string::npos) {
            record.line.replace(0, close + 1, to);
            pos = to.size();
        }
        const std::string from = "\"" + record.name + "\"";
        for (; (pos = record.line.find(from, pos)) != std::string::npos; pos += to.size())
            record.line.replace(pos, from.size(), to);
    }
    record.name = name;
    return 1;
}
