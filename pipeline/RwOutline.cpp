#include "pipeline/RwOutline.h"

#include "rw/SectionNames.h"
#include "rw/TextureDictionary.h"

#include <cstdio>

std::string SectionLabel(RW::CStream& stream, RW::CNode* node) {
    char head[160];
    std::snprintf(head, sizeof head, "%s (0x%llX, %u bytes) ",
                  RW_SECTION_NAME_OR_UNKNOWN(node->m_nID),
                  static_cast<unsigned long long>(node->m_nOffset), node->m_nSize);
    std::string label = head;
    if (node->m_nID == RW::SECTION_STRING && node->m_ppSections.empty())
        if (const uint8_t* data = node->GetData(stream.m_hFile))
            label += "\"" + RW::FieldName(data, node->m_nSize) + "\"";
    return label;
}
