#include "platform/Ini.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <string_view>
#include <vector>

namespace {

std::string_view Trim(std::string_view s) {
    return Text::TrimBlanks(s);
}

struct IniFile {
    std::vector<std::string> lines; // without line ends
    std::string eol = "\n";
    bool existed = false;

    explicit IniFile(const std::string& path) {
        auto data = Files::ReadWholeFile(path);
        if (!data)
            return;
        existed = true;
        if (data->find("\r\n") != std::string::npos)
            eol = "\r\n";
        size_t start = 0;
        while (start < data->size()) {
            size_t end = data->find('\n', start);
            if (end == std::string::npos)
                end = data->size();
            std::string line = data->substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
            start = end + 1;
        }
    }

    static std::optional<std::string_view> SectionName(std::string_view line) {
        line = Trim(line);
        if (line.size() < 2 || line.front() != '[')
            return std::nullopt;
        const size_t close = line.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        return Trim(line.substr(1, close - 1));
    }

    // [begin, end) line range of a section's body; begin is the header line + 1.
    bool FindSection(const std::string& section, size_t& begin, size_t& end) const {
        for (size_t i = 0; i < lines.size(); ++i) {
            auto name = SectionName(lines[i]);
            if (!name || !Text::EqualsNoCase(*name, section))
                continue;
            begin = i + 1;
            end = begin;
            while (end < lines.size() && !SectionName(lines[end]))
                ++end;
            return true;
        }
        return false;
    }

    static bool IsKeyLine(std::string_view line, const std::string& key, std::string_view* value) {
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == ';')
            return false;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || !Text::EqualsNoCase(Trim(line.substr(0, eq)), key))
            return false;
        if (value)
            *value = Trim(line.substr(eq + 1));
        return true;
    }

    std::optional<std::string> Get(const std::string& section, const std::string& key) const {
        size_t begin, end;
        if (!FindSection(section, begin, end))
            return std::nullopt;
        for (size_t i = begin; i < end; ++i) {
            std::string_view value;
            if (!IsKeyLine(lines[i], key, &value))
                continue;
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return std::string(value);
        }
        return std::nullopt;
    }

    std::string Text() const {
        std::string out;
        for (const auto& line : lines)
            out += line + eol;
        return out;
    }
};

} // namespace

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path) {
    const auto value = IniFile(path).Get(section, key);
    if (!value)
        return defaultValue;
    // Like the Windows function: the leading decimal number, 0 when there is none.
    std::string_view v = *value;
    bool negative = false;
    if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    unsigned int result = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            break;
        result = result * 10u + static_cast<unsigned>(c - '0');
    }
    return static_cast<int>(negative ? 0u - result : result);
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path) {
    return IniFile(path).Get(section, key).value_or(defaultValue);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& value, const std::string& path) {
    IniFile ini(path);
    size_t begin, end;
    if (!ini.FindSection(section, begin, end)) {
        if (!value)
            return true;
        if (!ini.lines.empty() && !Trim(ini.lines.back()).empty())
            ini.lines.emplace_back();
        ini.lines.push_back("[" + section + "]");
        ini.lines.push_back(key + "=" + *value);
        return Files::WriteFileAtomically(path, ini.Text());
    }
    for (size_t i = begin; i < end; ++i) {
        if (!IniFile::IsKeyLine(ini.lines[i], key, nullptr))
            continue;
        if (value)
            ini.lines[i] = key + "=" + *value;
        else
            ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(i));
        return Files::WriteFileAtomically(path, ini.Text());
    }
    if (!value)
        return true;
    // New keys go after the last non-blank line of their section.
    size_t insertAt = end;
    while (insertAt > begin && Trim(ini.lines[insertAt - 1]).empty())
        --insertAt;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), key + "=" + *value);
    return Files::WriteFileAtomically(path, ini.Text());
}

bool DeletePrivateProfileSection(const std::string& section, const std::string& path) {
    IniFile ini(path);
    size_t begin, end;
    if (!ini.FindSection(section, begin, end))
        return true;
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(begin - 1),
                    ini.lines.begin() + static_cast<std::ptrdiff_t>(end));
    return Files::WriteFileAtomically(path, ini.Text());
}
