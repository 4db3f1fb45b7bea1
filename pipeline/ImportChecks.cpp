#include "pipeline/ImportChecks.h"

#include "cache/NameRules.h"
#include "pipeline/ImportImage.h"

std::string ImportRefusal(CTextureDatabase& db, const std::string& name, uint32_t width,
                          uint32_t height, int category) {
    const NameProblem problem = CheckTextureName(name);
    if (problem != NameProblem::kNone)
        return "the name '" + name + "' cannot be used: " + DescribeNameProblem(problem);
    if (!EncodableSize(width, height, ForcedFamily(db, category)))
        return "its size " + std::to_string(width) + " x " + std::to_string(height) +
               " is not a power of two";
    return std::string();
}
