#pragma once
// Index lines read back: each known key of a texture line against the field it fills.
#include "cache/TextureRecord.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

// The value each known key should have, read independently item by item.
inline void ExpectKeysInFields(const TextureRecord& t, const std::string& line) {
    std::istringstream items(line);
    std::string item;
    items >> item; // the name
    while (items >> item) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos || item[0] == '"')
            continue;
        const std::string key = item.substr(0, eq);
        const unsigned long value =
            std::stoul(item.substr(eq + 1), nullptr, key == "img" || key == "png" ? 16 : 10);
        const std::map<std::string, unsigned long> fields = {{"width", t.width},
                                                             {"height", t.height},
                                                             {"cat", t.cat},
                                                             {"format", t.format},
                                                             {"alphamode", t.alphamode},
                                                             {"hasdetail", t.hasdetail},
                                                             {"camnorm", t.camnorm},
                                                             {"hassibling", t.hassibling},
                                                             {"hasbias", t.hasbias},
                                                             {"streammode", t.streammode},
                                                             {"mipmode", t.mipmode},
                                                             {"forcez", t.forcez},
                                                             {"decalz", t.decalz},
                                                             {"img", t.img},
                                                             {"png", t.png}};
        const auto field = fields.find(key);
        if (field == fields.end())
            continue; // items we do not manage (isdetail=...) only have to survive
        // Values keep the low bits their field holds (real files have 9-digit img values).
        const bool wide = key == "img" || key == "png";
        EXPECT_EQ(field->second, value & (wide ? 0xFFFFFFFFul : 0xFFFFul)) << key << " in " << line;
    }
}
