#include "rw/Stream.h"

#include "app/Log.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "rw/SectionNames.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RW {

namespace {

const char kStreamSource[] = "s:\\dev\\include\\rw\\CStream";
const char kNodeSource[] = "s:\\dev\\include\\rw\\CNode";
const uint8_t kNoBytes[4] = {};
// Deeper nesting than any real file has; beyond it a crafted file would only exhaust
// the stack.
constexpr uint32_t kMaxDepth = 64;
// How much of the file one read brings in while the tree is built.
constexpr size_t kReadAheadSize = 64 * 1024;

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The library version a stamp encodes (new style: packed with a build number; old style:
// the bare version 0x3nn) lies within RenderWare 3.
bool IsLibraryStamp(uint32_t stamp) {
    uint32_t version = (stamp & 0xFFFF0000)
                           ? (((stamp >> 14) & 0x3FF00) + 0x30000) | ((stamp >> 16) & 0x3F)
                           : stamp << 8;
    return version >= 0x30000 && version <= 0x3FFFF;
}

uint64_t CachedBytes(const CNode* node) {
    uint64_t sum = node->m_bCached ? node->m_pData.size() : 40;
    for (const auto& child : node->m_ppSections)
        sum += CachedBytes(child.get());
    return sum;
}

} // namespace

// ---------------------------------------------------------------- CBaseEx

void CBaseEx::RecordError(const std::string& text) {
    m_szLastError = text;
    LogPrintA("RW::CBaseEx: ERROR: %s\n", text.c_str());
}

void CBaseEx::Raise(const std::string& text, CNode* node) {
    RecordError(text);
    throw CException(text, this, node);
}

void CBaseEx::StreamErrorBox(const std::string& message, const char* source, int line) {
    std::string text = Format(
        "A fuckin' error occurred while processing CStream or derived class:\n\n  %s\n\nFile: "
        "%s\nLine: %d\nIt's really seems to program execution cannot be continued.\n\n(Click "
        "cancel to exit program)",
        message.c_str(), source, line);
    if (MessageBox(text, "CStream fuckin' error", MB_OKCANCEL | MB_ICONERROR) == IDCANCEL)
        std::exit(0);
    RecordError(message);
}

// ---------------------------------------------------------------- CNode

CNode::~CNode() {
    const char* name = RW_SECTION_NAME_OR_UNKNOWN(m_nID);
    LogPrintA("RW::CNode: removing section \"%s\"...\n", name);
    if (m_bCached)
        LogPrintA("RW::CNode:  - removing section data (%d bytes)...\n",
                  static_cast<int>(m_pData.size()));
    if (!m_ppSections.empty()) {
        int count = static_cast<int>(m_ppSections.size());
        LogPrintA("RW::CNode:  - removing %d subsections...\n", count);
        for (int i = 0; i < count; ++i) {
            LogPrintA("RW::CNode:    - removing subsection %d of %d ...\n", i + 1, count);
            m_ppSections[i].reset();
        }
    }
    LogPrintA("RW::CNode:  - section \"%s\" removed.\n", name);
}

void CNode::NodeErrorBox(const std::string& message, int line) {
    std::string text = Format(
        "A fuckin' error occurred while processing CNode or one of it's derived classes:\n\n  "
        "%s\n\nFile: %s\nLine: %d\n\nNode data:\n Section \"%s\" size: %d bytes, version: "
        "0x%08X\n m_pData = 0x%08X\n m_nSections = %d\n\nIt's really seems to program "
        "execution cannot be continued.\n\n(Click cancel to exit program)",
        message.c_str(), kNodeSource, line, RW_SECTION_NAME_OR_UNKNOWN(m_nID),
        static_cast<int>(m_nSize), m_nVersion,
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_bCached ? m_pData.data() : nullptr)),
        static_cast<int>(m_ppSections.size()));
    if (MessageBox(text, "CNode fuckin' error", MB_OKCANCEL | MB_ICONERROR) == IDCANCEL)
        std::exit(105);
    m_szLastError = message;
    LogPrintA("RW::CBaseEx: ERROR: %s\n", message.c_str());
}

CNode* CNode::AddChild(CNode* pChild) {
    if (!pChild) {
        NodeErrorBox("Cannot add child section to node: NULL CNode pointer given.", 60);
        return nullptr;
    }
    if (m_ppSections.size() % 64 == 0) {
        size_t entries = m_ppSections.size() + 64;
        LogPrintA("RW::CNode: allocating %d bytes for child sections pointers...\n",
                  static_cast<int>(entries));
        m_ppSections.reserve(entries);
    }
    m_ppSections.emplace_back(pChild);
    return pChild;
}

const uint8_t* CNode::GetData(int hFile) {
    if (!m_bCached) {
        int fd = hFile != kInvalidHandle ? hFile : m_hFile;
        if (fd == kInvalidHandle) {
            NodeErrorBox("Trying to read section data with invalid resource handle.", 98);
            return nullptr;
        }
        LogPrintA("RW::CNode:  - alloacting %d bytes for section \"%s\" cache...\n",
                  static_cast<int>(m_nSize), RW_SECTION_NAME_OR_UNKNOWN(m_nID));
        std::vector<uint8_t> data(m_nSize);
        if (Files::ReadAt(fd, m_nOffset, data.data(), data.size()) < data.size()) {
            NodeErrorBox("Unknown section data reading error.", 110);
            return nullptr;
        }
        m_pData = std::move(data);
        m_bCached = true;
    }
    return m_pData.empty() ? kNoBytes : m_pData.data();
}

void CNode::FreeCache() {
    if (m_nOffset == 0) {
        LogPrintA("RW::CNode:  - section data is lost or tree was built in memory.\n");
        return;
    }
    if (m_bCached)
        LogPrintA("RW::CNode:  - freeing section '%s' cache (%d bytes)...\n",
                  RW_SECTION_NAME_OR_UNKNOWN(m_nID), static_cast<int>(m_pData.size()));
    m_pData = {};
    m_bCached = false;
}

int CNode::SetData(int64_t nNewSize, const uint8_t* pBytes) {
    if (!pBytes || nNewSize < -1 || nNewSize > int64_t(UINT32_MAX))
        return 0;
    if (nNewSize == -1)
        LogPrintA("RW::CNode: [warning] section data changed without providing new size!\n");
    else
        m_nSize = static_cast<uint32_t>(nNewSize);
    LogPrintA("RW::CNode: section \"%s\" data changed\n", RW_SECTION_NAME_OR_UNKNOWN(m_nID));
    m_pData.assign(pBytes, pBytes + m_nSize);
    m_bCached = true;
    return 1;
}

const char* CNode::GetSectionName() const {
    return RW_GET_SECTION_NAME(m_nID);
}

// ---------------------------------------------------------------- CStream

CStream::CStream() {
    LogPrintA("RW::CStream: Let's roll!\n");
    LogPrintA("RW::CStream: CStream version: Fri Aug  9 02:02:00 2013\n");
}

CStream::~CStream() {
    LogPrintA("RW::CStream: now data will be destroyed!\n");
    if (m_bDisableDestructor) {
        LogPrintA("RW::CStream: data is NOT destroyed 'cause this->m_bDisableDestructor turned "
                  "on!\n");
        LogPrintA("RW::CStream:     -- %d bytes still in the memory\n",
                  m_pRoot ? static_cast<int>(CachedBytes(m_pRoot.get())) : 0);
        (void)m_pRoot.release(); // whoever disabled the destructor owns the tree now
    } else {
        m_pRoot.reset();
    }
    if (m_hFile != kInvalidHandle)
        close(m_hFile);
    LogPrintA("RW::CStream: OK, now OBJECT will be destroyed.\n");
}

int CStream::Attach(int hFile, uint64_t nOffset, uint32_t nRootID, uint32_t dwFlags) {
    m_hFile = hFile;
    m_pRoot.reset();
    m_nRootOffset = nOffset;
    struct stat st {};
    m_nFileLength = fstat(hFile, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;

    uint8_t header[12];
    if (Files::ReadAt(hFile, nOffset, header, 12) < 12)
        Raise("Stream reading error.");
    uint32_t id = ReadU32(header), size = ReadU32(header + 4), version = ReadU32(header + 8);
    LogPrintA("RW::CStream: RenderWare Version is 0x%08X.\n", version);
    if (nRootID != 0 && nRootID != id && !(dwFlags & 0x40)) {
        LogPrintA("RW::CStream: Wrong root section ID - requseted is 0x%X and this is 0x%X\n",
                  nRootID, id);
        Raise("Wrong root section ID.");
    }
    LogPrintA("RW::CStream: Section ID is valid or not requsted.\n");
    if ((dwFlags & 0x08) && (m_nFileLength < 12 || m_nFileLength - 12 < size)) {
        LogPrintA("RW::CStream: It is not a valid RW file, bitches.\n");
        Raise("It's not a valid RW file");
    }
    m_nDepth = 0;
    m_Window.clear();
    try {
        m_pRoot.reset(ReadSection(nOffset, nullptr, 0));
    } catch (...) {
        m_Window = {};
        throw;
    }
    // Later reads go to the file itself, which may have changed by then.
    m_Window = {};
    LogPrintA("RW::CStream: reading finished.\n");
    return 1;
}

int CStream::Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                  uint32_t dwFlags) {
    if (m_pRoot) {
        LogPrintA("RW::CStream: Stream already opened. Structure tree built. Flush 'em all\n");
        DeleteStructure(m_pRoot.get());
    }
    if (m_hFile != kInvalidHandle) {
        close(m_hFile);
        m_hFile = kInvalidHandle;
    }
    // The stream only reads its file (Save writes a new one), so read access is enough
    // and read-only dictionaries open too.
    int fd = open(szFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Raise(Format("Cant open RW stream file. Error code: 0x%0X.", static_cast<unsigned>(errno)));
    return Attach(fd, nOffset, nRootID, dwFlags);
}

CNode* CStream::ReadSection(uint64_t nOffset, CNode* pParent, uint32_t nIndex) {
    auto node = std::make_unique<CNode>();
    node->m_hFile = m_hFile;
    try {
        uint8_t header[12];
        if (nOffset + 12 > m_nFileLength || ReadAhead(nOffset, header, 12) < 12)
            Raise("Stream reading error.", node.get());
        node->m_nID = ReadU32(header);
        node->m_nSize = ReadU32(header + 4);
        node->m_nVersion = ReadU32(header + 8);
        // Real files mix stamps (plug-in sections and whole geometries written by other
        // library versions), so a child may differ from its parent as long as its stamp
        // is a RenderWare 3 one; anything else is not a section header.
        if (pParent && node->m_nVersion != pParent->m_nVersion && !IsLibraryStamp(node->m_nVersion))
            Raise("Stream reading error.", node.get());
        if (m_nDepth >= kMaxDepth)
            Raise("Sections are nested too deeply.", node.get());
        LogPrintA("RW::CStream: reading '%s' (0x%X) by offset 0x%X... \n",
                  RW_SECTION_NAME_OR_UNKNOWN(node->m_nID), node->m_nID,
                  static_cast<unsigned>(nOffset));
        node->m_nOffset = nOffset + 12;
        ++m_nDepth;
        try {
            ReadSectionBody(node.get(), pParent, nIndex);
        } catch (...) {
            --m_nDepth;
            throw;
        }
        --m_nDepth;
    } catch (CException& e) {
        LogPrintA("RW::CStream: DESTRCUTING NODE via exception handling!\n");
        node.reset();
        e.m_pNode = nullptr;
        throw;
    }
    return node.release();
}

uint64_t CStream::ReadChild(CNode* pParent, uint64_t position, uint64_t parentEnd) {
    if (position + 12 > parentEnd)
        Raise(Format("Section '%s' at offset 0x%llX has %llu bytes left, too few for another "
                     "section.",
                     RW_SECTION_NAME_OR_UNKNOWN(pParent->m_nID),
                     static_cast<unsigned long long>(pParent->m_nOffset - 12),
                     static_cast<unsigned long long>(parentEnd - position)));
    CNode* child = ReadSection(position, pParent, pParent->ChildCount());
    pParent->AddChild(child);
    return position + 12 + child->m_nSize;
}

void CStream::ReadSectionBody(CNode* pNode, CNode* pParent, uint32_t nIndex) {
    const uint64_t end = pNode->m_nOffset + pNode->m_nSize;
    if (end > m_nFileLength)
        Raise(Format("Section '%s' (0x%X) at offset 0x%llX declares %u bytes, but its file holds "
                     "only %llu more.",
                     RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID), pNode->m_nID,
                     static_cast<unsigned long long>(pNode->m_nOffset - 12), pNode->m_nSize,
                     static_cast<unsigned long long>(m_nFileLength > pNode->m_nOffset
                                                         ? m_nFileLength - pNode->m_nOffset
                                                         : 0)),
              pNode);
    // Tools that rebuild models leave a parent's size short of its last child now and
    // then; the child itself is whole, so it is read in full and the parent is taken to
    // end where the child ends.
    if (pParent && end > pParent->m_nOffset + pParent->m_nSize)
        LogPrintA("RW::CStream: section '%s' at offset 0x%llX runs %llu bytes past its parent "
                  "'%s'; read in full.\n",
                  RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID),
                  static_cast<unsigned long long>(pNode->m_nOffset - 12),
                  static_cast<unsigned long long>(end - (pParent->m_nOffset + pParent->m_nSize)),
                  RW_SECTION_NAME_OR_UNKNOWN(pParent->m_nID));
    if (IsContainer(pNode, pParent, nIndex)) {
        LogPrintA("RW::CStream: \t - reading subStructures...\n");
        uint64_t position = pNode->m_nOffset;
        while (position < end)
            position = ReadChild(pNode, position, end);
        // The section's real extent, so that its siblings are read after its last child
        // and no byte is read as two sections.
        if (position > end) {
            if (position - pNode->m_nOffset > UINT32_MAX)
                Raise("Stream reading error.", pNode);
            pNode->m_nSize = static_cast<uint32_t>(position - pNode->m_nOffset);
        }
        return;
    }
    LogPrintA("RW::CStream: \t - reading section Data (%d bytes)...\n",
              static_cast<int>(pNode->m_nSize));
    if (pNode->m_nSize <= m_nCacheLimit) {
        std::vector<uint8_t> data(pNode->m_nSize);
        if (ReadAhead(pNode->m_nOffset, data.data(), data.size()) < data.size())
            Raise("Stream reading error.", pNode);
        pNode->m_pData = std::move(data);
        pNode->m_bCached = true;
    }
}

size_t CStream::ReadAhead(uint64_t offset, uint8_t* buffer, size_t count) {
    if (count == 0)
        return 0;
    const uint64_t windowEnd = m_nWindowStart + m_Window.size();
    if (offset < m_nWindowStart || offset + count > windowEnd) {
        if (count > kReadAheadSize)
            return Files::ReadAt(m_hFile, offset, buffer, count);
        m_Window.resize(kReadAheadSize);
        m_nWindowStart = offset;
        m_Window.resize(Files::ReadAt(m_hFile, offset, m_Window.data(), m_Window.size()));
    }
    const uint64_t available = m_nWindowStart + m_Window.size() - offset;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, available));
    std::memcpy(buffer, m_Window.data() + (offset - m_nWindowStart), n);
    return n;
}

CNode* CStream::GetNode(std::initializer_list<int> path) {
    CNode* node = m_pRoot.get();
    if (!node) {
        StreamErrorBox("Wrong section ID.", kStreamSource, 370);
        return nullptr;
    }
    for (int index : path) {
        if (index < 0 || static_cast<uint32_t>(index) >= node->ChildCount()) {
            StreamErrorBox("Wrong section ID.", kStreamSource, 370);
            return nullptr;
        }
        node = node->Child(static_cast<uint32_t>(index));
    }
    return node;
}

bool CStream::NodeExists(std::initializer_list<int> path) const {
    const CNode* node = m_pRoot.get();
    if (!node)
        return false;
    for (int index : path) {
        if (index < 0 || static_cast<uint32_t>(index) >= node->ChildCount())
            return false;
        node = node->Child(static_cast<uint32_t>(index));
    }
    return true;
}

bool CStream::IsContainer(const CNode* pNode, const CNode* pParent, uint32_t nIndex) const {
    if (pNode->m_nSize == 0)
        return false;
    if (pParent && pParent->m_nID == SECTION_TEXTURE_NATIVE && nIndex == 3)
        return true;
    switch (pNode->m_nID) {
    case 0x03:
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0E:
    case 0x0F:
    case 0x10:
    case 0x12:
    case 0x14:
    case 0x15:
    case 0x16:
    case 0x1A:
        return true;
    default:
        return false;
    }
}

int CStream::WriteSection(std::vector<uint8_t>& out, CNode* pNode, uint64_t nOffset) {
    const char* name = RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID);
    LogPrintA("RW::CStream: writing section '%s' header by offset 0x%X\n", name,
              static_cast<unsigned>(nOffset));
    auto writeHeader = [&] {
        if (out.size() < nOffset + 12)
            out.resize(nOffset + 12);
        WriteU32(&out[nOffset], pNode->m_nID);
        WriteU32(&out[nOffset + 4], pNode->m_nSize);
        WriteU32(&out[nOffset + 8], pNode->m_nVersion);
    };
    writeHeader();
    // Children are written even under a size of 0, so sections added to an empty
    // container in memory are not dropped.
    if (!pNode->m_ppSections.empty()) {
        LogPrintA("RW::CStream: writing section '%s' child sections...\n", name);
        uint64_t position = nOffset + 12;
        for (auto& child : pNode->m_ppSections) {
            if (!WriteSection(out, child.get(), position))
                return 0;
            position += 12 + child->m_nSize;
        }
        pNode->m_nSize = static_cast<uint32_t>(position - nOffset - 12);
        writeHeader();
        return 1;
    }
    if (pNode->m_nSize != 0) {
        LogPrintA("RW::CStream: writing section '%s' data...\n", name);
        const uint8_t* data = pNode->GetData(m_hFile);
        if (!data)
            return 0;
        out.resize(std::max<uint64_t>(out.size(), nOffset + 12 + pNode->m_nSize));
        std::memcpy(&out[nOffset + 12], data, pNode->m_nSize);
    }
    LogPrintA("RW::CStream:  - section '%s' written\n", name);
    return 1;
}

void CStream::Detach(CNode* pNode) {
    if (!pNode)
        pNode = m_pRoot.get();
    if (!pNode)
        return;
    LogPrintA("RW::CStream: detaching '%s'...\n", RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID));
    for (auto& child : pNode->m_ppSections)
        Detach(child.get());
    if (pNode->m_ppSections.empty())
        pNode->GetData(m_hFile);
    pNode->m_nOffset = 0;
}

int CStream::Save(const std::string& szFileName) {
    LogPrintA("RW::CStream: saving RW file...\n");
    LogPrintA("RW::CStream: Stream will be fully detached now.\n");
    if (!m_pRoot)
        Raise("RW Stream is not opened.");
    Detach(m_pRoot.get());
    if (m_hFile != kInvalidHandle) {
        int result = close(m_hFile);
        m_hFile = kInvalidHandle;
        if (result != 0)
            Raise("Can't detach from handle.");
    }
    LogPrintA("RW::CStream: writing structures...\n");
    std::vector<uint8_t> out;
    if (!WriteSection(out, m_pRoot.get(), 0))
        return 0;
    // Written beside the target and renamed over it: a failed save leaves the old file.
    if (!Files::WriteFileAtomically(
            szFileName, std::string_view(reinterpret_cast<const char*>(out.data()), out.size())))
        Raise("Can't open output file.");
    return 1;
}

uint32_t CStream::GetVersion() {
    if (!m_pRoot)
        Raise("RW Stream is not opened.");
    return m_pRoot->m_nVersion;
}

int CStream::SetVersion(uint32_t nVersion, CNode* pNode) {
    if (!pNode)
        pNode = m_pRoot.get();
    if (!pNode)
        return 0;
    pNode->m_nVersion = nVersion;
    for (auto& child : pNode->m_ppSections)
        SetVersion(nVersion, child.get());
    return 1;
}

int CStream::RemoveCache(CNode* pNode) {
    if (!pNode || !pNode->m_bCached)
        return 0;
    if (pNode->m_nOffset == 0) {
        LogPrintA("RW::CStream:   - just-in-memory cache cannot be removed without file "
                  "duplicate!\n");
        return 0;
    }
    LogPrintA("RW::CStream: [waring] CStream::GetRWSectionName is deprecated, use "
              "RW_GET_SECTION_NAME instead.\n");
    LogPrintA("RW::CStream:   - removing %d bytes section '%s' cache\n",
              static_cast<int>(pNode->m_pData.size()), RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID));
    pNode->m_pData = {};
    pNode->m_bCached = false;
    return 0;
}

const uint8_t* CStream::GetSectionData(CNode* pNode) {
    LogPrintA("RW::CStream: [warning] deprecated method CStream::GetSectionData called.\n");
    if (!pNode) {
        StreamErrorBox("Node is N/A. this is fucking ERROR!!!!\n", kStreamSource, 407);
        return nullptr;
    }
    return pNode->GetData(m_hFile);
}

namespace {
bool EraseNode(CNode* parent, CNode* target) {
    for (auto it = parent->m_ppSections.begin(); it != parent->m_ppSections.end(); ++it) {
        if (it->get() == target) {
            parent->m_ppSections.erase(it);
            return true;
        }
        if (EraseNode(it->get(), target))
            return true;
    }
    return false;
}
} // namespace

void CStream::DeleteStructure(CNode* pNode) {
    if (!pNode) {
        StreamErrorBox("pNode is NULL!", kStreamSource, 494);
        return;
    }
    const char* name = RW_SECTION_NAME_OR_UNKNOWN(pNode->m_nID);
    LogPrintA("RW::CStream: [warning] deprecated method CStream::DeleteStructure called.\n");
    if (pNode->m_bCached)
        LogPrintA("RW::CStream: removing section \"%s\" content...\n", name);
    LogPrintA("RW::CStream: removing section \"%s\"...\n", name);
    // The node is owned by its parent (or is the root): released exactly once, there.
    if (pNode == m_pRoot.get())
        m_pRoot.reset();
    else if (m_pRoot)
        EraseNode(m_pRoot.get(), pNode);
}

} // namespace RW
