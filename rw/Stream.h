#pragma once
// The RenderWare chunk stream: a file (or a file embedded in an archive) read into a tree
// of sections. Section headers are read at once; bodies of small data sections too, the
// others on first use. Callers may replace section data and save the tree, sizes being
// recomputed on the way out.
//
// Files are hostile: every section must lie inside the file and carry a RenderWare 3
// version stamp; anything else fails the read with an exception. A section that runs
// past its parent but not past the file is read in full (with a log line), and the
// parent is taken to end where it ends.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace RW {

class CBaseEx;
class CNode;

// Thrown by value. The node is set while it is still alive (never after the stream has
// released a partly read tree). Like the cache's errors it is a std::runtime_error, so
// one handler can catch every failure of the core.
class CException : public std::runtime_error {
public:
    CException(std::string text, CBaseEx* object, CNode* node)
        : std::runtime_error(text), m_szText(std::move(text)), m_pObject(object), m_pNode(node) {}
    const std::string& Text() const { return m_szText; }

    std::string m_szText;
    CBaseEx* m_pObject;
    CNode* m_pNode;
};

class CObject {
public:
    virtual ~CObject() = default;
};

// Error reporting shared by the stream and everything built on it.
class CBaseEx : public CObject {
public:
    const std::string& GetLastError() const { return m_szLastError; }

    // Stores the text, logs it and throws CException.
    [[noreturn]] void Raise(const std::string& text, CNode* node = nullptr);
    // The modal stream error box: OK records the error and lets the caller return
    // null/0; Cancel ends the process (exit code 0).
    void StreamErrorBox(const std::string& message, const char* source, int line);

protected:
    void RecordError(const std::string& text);
    std::string m_szLastError;
};

inline constexpr int kInvalidHandle = -1;

class CNode {
public:
    CNode() = default;
    CNode(uint32_t id, uint32_t size, uint32_t version)
        : m_nID(id), m_nSize(size), m_nVersion(version) {}
    ~CNode();
    CNode(const CNode&) = delete;
    CNode& operator=(const CNode&) = delete;

    // Appends and takes over the child; a null child shows the node error box.
    CNode* AddChild(CNode* pChild);
    // The body, read into the cache from the file on first use; nullptr after an error
    // box. hFile: the handle to read from (the one the node was read with when invalid).
    const uint8_t* GetData(int hFile = kInvalidHandle);
    void FreeCache();
    // Replaces the body (nNewSize -1 keeps the size); returns 1.
    int SetData(int64_t nNewSize, const uint8_t* pBytes);
    const char* GetSectionName() const;

    uint32_t ChildCount() const { return static_cast<uint32_t>(m_ppSections.size()); }
    CNode* Child(uint32_t index) const {
        return index < m_ppSections.size() ? m_ppSections[index].get() : nullptr;
    }
    bool IsCached() const { return m_bCached; }
    // The node error box (exit code 105 on Cancel).
    void NodeErrorBox(const std::string& message, int line);

    uint32_t m_nID = 0;
    uint32_t m_nSize = 0;
    uint32_t m_nVersion = 0;
    std::vector<std::unique_ptr<CNode>> m_ppSections;
    std::vector<uint8_t> m_pData; // valid when m_bCached
    bool m_bCached = false;
    uint64_t m_nOffset = 0; // file offset of the body; 0: not backed by the file
    int m_hFile = kInvalidHandle;
    std::string m_szLastError;
};

class CStream : public CBaseEx {
public:
    CStream();
    ~CStream() override;
    CStream(const CStream&) = delete;
    CStream& operator=(const CStream&) = delete;

    // Builds the tree from an open file at an offset (the file stays the caller's
    // unless the stream is destroyed with the handle still set).
    virtual int Attach(int hFile, uint64_t nOffset, uint32_t nRootID, uint32_t dwFlags);
    virtual int Open(const std::string& szFileName, uint64_t nOffset, uint32_t nRootID,
                     uint32_t dwFlags);
    virtual CNode* ReadSection(uint64_t nOffset, CNode* pParent, uint32_t nIndex);
    virtual void ReadSectionBody(CNode* pNode, CNode* pParent, uint32_t nIndex);
    // Walks from the root through the child indices; {} is the root. A missing child
    // shows "Wrong section ID." and gives nullptr.
    virtual CNode* GetNode(std::initializer_list<int> path);
    virtual bool NodeExists(std::initializer_list<int> path) const;
    virtual bool IsContainer(const CNode* pNode, const CNode* pParent, uint32_t nIndex) const;
    // Writes the node and its subtree into out at offset; sizes of containers are
    // recomputed. Returns 1, 0 when data could not be read.
    virtual int WriteSection(std::vector<uint8_t>& out, CNode* pNode, uint64_t nOffset);

    int Save(const std::string& szFileName);
    void Detach(CNode* pNode = nullptr);
    uint32_t GetVersion();
    int SetVersion(uint32_t nVersion, CNode* pNode = nullptr);
    int RemoveCache(CNode* pNode);
    const uint8_t* GetSectionData(CNode* pNode);
    void DeleteStructure(CNode* pNode);

    CNode* Root() const { return m_pRoot.get(); }
    uint64_t FileLength() const { return m_nFileLength; }

    int m_hFile = kInvalidHandle;
    uint32_t m_nCacheLimit = 64;
    bool m_bDisableDestructor = false;
    uint64_t m_nRootOffset = 0;
    std::unique_ptr<CNode> m_pRoot;

protected:
    // Reads one child at position and checks it against what its parent holds; returns
    // the child's end.
    uint64_t ReadChild(CNode* pParent, uint64_t position, uint64_t parentEnd);

    // Reads count bytes at offset while the tree is built, through a window of the file
    // read ahead: headers and small bodies lie close together, and a read each would
    // cost a system call per section. Returns the bytes read.
    size_t ReadAhead(uint64_t offset, uint8_t* buffer, size_t count);

    uint64_t m_nFileLength = 0;
    uint32_t m_nDepth = 0;
    std::vector<uint8_t> m_Window;
    uint64_t m_nWindowStart = 0;
};

} // namespace RW
