#include "platform/host/ini_profile.h"

#include "platform/host/host_text.h"
#include "text/cp1252.h"
#include "text/lines.h"

namespace vintrel::platform::host {
namespace {

// Blanks of INI lines; a carriage return only ends a line.
constexpr std::string_view kIniBlanks = " \t\v\f";

std::string_view trimBlanks(std::string_view s) {
    return text::trim(s, kIniBlanks);
}

std::string_view upToNul(std::string_view s) {
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unitAt(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        out.push_back(static_cast<char>(text::byteForCodePoint(cp)));
    }
    return out;
}

bool isAscii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string decodeProfileText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return text::utf8ToCp1252(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return decodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return decodeUtf16(bytes.substr(2), true);
    if (!isAscii(bytes) && isValidUtf8(bytes)) return text::utf8ToCp1252(bytes);
    return std::string(bytes);
}

std::optional<std::string> findProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
    bool inSection = false;
    for (std::string_view line : text::lines(text, text::LineEnds::Any)) {
        line = text::trimLeft(line, kIniBlanks);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.rfind(']');
            if (close == std::string_view::npos) continue;
            if (inSection) return std::nullopt;  // only the first section of the name counts
            inSection = text::equalsIgnoreCaseCp1252(trimBlanks(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (!text::equalsIgnoreCaseCp1252(trimBlanks(line.substr(0, equals)), key)) continue;
        std::string_view value = trimBlanks(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

std::string profileString(std::optional<std::string_view> fileBytes, std::string_view section,
                          std::string_view key, std::string_view defaultText, std::uint32_t bufferSize) {
    std::optional<std::string> value;
    if (fileBytes) value = findProfileValue(decodeProfileText(*fileBytes), section, key);
    std::string result;
    if (value) {
        result = std::string(upToNul(*value));
    } else {
        std::string_view fallback = upToNul(defaultText);
        while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
        result = std::string(fallback);
    }
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    if (result.size() > room) result.resize(room);
    return result;
}

}  // namespace vintrel::platform::host
