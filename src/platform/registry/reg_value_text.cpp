#include "platform/registry/reg_value_text.h"

#include <iconv.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "text/cp1252.h"

namespace vintrel::registry {

using platform::RegValue;

std::string masked(std::string_view cp1252, std::string_view keep) {
    std::string safe(cp1252);
    for (char& c : safe) {
        const auto b = static_cast<unsigned char>(c);
        // The five bytes Windows-1252 leaves undefined are shown as C1 controls: masked too.
        const bool control =
            b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (control && keep.find(c) == std::string_view::npos) c = '?';
    }
    return safe;
}

std::string display(std::string_view cp1252) {
    return text::cp1252ToUtf8(masked(cp1252));
}

std::string inCharset(std::string_view cp1252, const std::string& charset) {
    if (charset.empty()) return std::string(cp1252);
    const std::string utf8 = text::cp1252ToUtf8(cp1252);
    if (text::equalsIgnoreCaseCp1252(charset, "UTF-8") || text::equalsIgnoreCaseCp1252(charset, "UTF8"))
        return utf8;
    iconv_t cd = ::iconv_open(charset.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // A set iconv does not know: ASCII, which every terminal shows.
        std::string out;
        for (char c : cp1252) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        return out;
    }
    // Character by character, so that one the set lacks becomes '?' and the rest goes on.
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0)
            length = 4;
        else if (lead >= 0xE0)
            length = 3;
        else if (lead >= 0xC0)
            length = 2;
        length = std::min(length, utf8.size() - i);
        char* in = const_cast<char*>(utf8.data() + i);
        std::size_t inLeft = length;
        char buffer[16];
        char* put = buffer;
        std::size_t outLeft = sizeof buffer;
        if (::iconv(cd, &in, &inLeft, &put, &outLeft) == static_cast<std::size_t>(-1)) {
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out.push_back('?');
        } else {
            out.append(buffer, static_cast<std::size_t>(put - buffer));
        }
        i += length;
    }
    ::iconv_close(cd);
    return out;
}

std::string typeName(std::uint32_t type) {
    switch (type) {
        case platform::REG_NONE:
            return "REG_NONE";
        case platform::REG_SZ:
            return "REG_SZ";
        case platform::REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case platform::REG_BINARY:
            return "REG_BINARY";
        case platform::REG_DWORD:
            return "REG_DWORD";
        case platform::REG_DWORD_BIG_ENDIAN:
            return "REG_DWORD_BIG_ENDIAN";
        case platform::REG_LINK:
            return "REG_LINK";
        case platform::REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case platform::REG_QWORD:
            return "REG_QWORD";
        default: {
            char buffer[24];
            std::snprintf(buffer, sizeof buffer, "0x%x", type);
            return buffer;
        }
    }
}

std::optional<std::uint32_t> typeFromName(std::string_view name) {
    for (std::uint32_t type :
         {platform::REG_NONE, platform::REG_SZ, platform::REG_EXPAND_SZ, platform::REG_BINARY,
          platform::REG_DWORD, platform::REG_MULTI_SZ, platform::REG_QWORD})
        if (text::equalsIgnoreCaseCp1252(name, typeName(type))) return type;
    return std::nullopt;
}

namespace {

std::string hexBytes(std::string_view data) {
    std::string out;
    char buffer[4];
    for (char c : data) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(c));
        out += buffer;
    }
    return out;
}

}  // namespace

std::string dataText(const RegValue& value) {
    const std::string_view data = value.data;
    switch (value.type) {
        case platform::REG_SZ:
        case platform::REG_EXPAND_SZ:
            return masked(data.substr(0, data.find('\0')));
        case platform::REG_MULTI_SZ: {
            std::string out;
            std::string_view rest = data;
            while (!rest.empty() && rest.front() != '\0') {
                const std::size_t end = rest.find('\0');
                if (!out.empty()) out += "\\0";
                out += masked(rest.substr(0, end));
                if (end == std::string_view::npos) break;
                rest.remove_prefix(end + 1);
            }
            return out;
        }
        case platform::REG_DWORD:
        case platform::REG_QWORD: {
            const std::size_t size = value.type == platform::REG_DWORD ? 4 : 8;
            if (data.size() != size) break;
            unsigned long long number = 0;
            for (std::size_t i = size; i-- > 0;) number = number << 8 | static_cast<unsigned char>(data[i]);
            char buffer[24];
            std::snprintf(buffer, sizeof buffer, "0x%llx", number);
            return buffer;
        }
        default:
            break;
    }
    return hexBytes(data);
}

namespace {

// Decimal or 0x-prefixed hexadecimal, no larger than limit.
bool parseNumber(std::string_view s, unsigned long long limit, unsigned long long& number) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), number, base);
    return ec == std::errc() && end == s.data() + s.size() && number <= limit;
}

}  // namespace

std::string encodeValueData(std::uint32_t type, const std::string& data, std::string& bytes) {
    unsigned long long number = 0;
    switch (type) {
        case platform::REG_SZ:
        case platform::REG_EXPAND_SZ:
            bytes = data + '\0';
            return {};
        case platform::REG_MULTI_SZ: {
            bytes.clear();
            std::size_t start = 0;
            while (start <= data.size() && !data.empty()) {
                std::size_t end = data.find("\\0", start);
                if (end == std::string::npos) end = data.size();
                bytes += data.substr(start, end - start) + '\0';
                start = end + 2;
            }
            bytes += '\0';
            return {};
        }
        case platform::REG_DWORD:
        case platform::REG_QWORD: {
            const bool dword = type == platform::REG_DWORD;
            if (!data.empty() && !parseNumber(data, dword ? 0xFFFFFFFFull : ~0ull, number)) {
                return "/d for " + typeName(type) + " must be a number from 0 to " +
                       (dword ? "4294967295" : "18446744073709551615") + " (decimal or 0x hex)";
            }
            bytes.clear();
            for (int i = 0; i < (dword ? 4 : 8); ++i)
                bytes.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
            return {};
        }
        default: {
            if (data.size() % 2 != 0) {
                return "/d for " + typeName(type) + " must be an even number of hex digits";
            }
            bytes.clear();
            for (std::size_t i = 0; i < data.size(); i += 2) {
                unsigned value = 0;
                const auto [end, ec] = std::from_chars(data.data() + i, data.data() + i + 2, value, 16);
                if (ec != std::errc() || end != data.data() + i + 2) {
                    return "/d for " + typeName(type) + " must hold hex digits only";
                }
                bytes.push_back(static_cast<char>(value));
            }
            return {};
        }
    }
}

}  // namespace vintrel::registry
