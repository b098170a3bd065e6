#include "platform/registry/reg_file.h"

#include <algorithm>

#include "platform/registry/key_path.h"
#include "text/cp1252.h"
#include "text/hex_digit.h"

namespace vintrel::registry {

using platform::HKey;

namespace {

constexpr std::string_view kRegedit4 = "REGEDIT4";
constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

// True when only blanks or a ';' comment follow.
bool onlyComment(std::string_view rest) {
    rest = trimLeft(rest);
    return rest.empty() || rest.front() == ';';
}

// 1..8 hex digits as a number.
bool parseHexNumber(std::string_view digits, std::uint32_t& number) {
    if (digits.empty() || digits.size() > 8) return false;
    number = 0;
    for (char c : digits) {
        const int digit = text::hexDigitValue(c);
        if (digit < 0) return false;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && text::equalsIgnoreCaseCp1252(s.substr(0, prefix.size()), prefix);
}

// UTF-16LE code units to Windows-1252; unpaired surrogates become '?'.
std::string utf16ToCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        out.push_back(static_cast<char>(text::byteForCodePoint(cp)));
    }
    return out;
}

class Parser {
public:
    explicit Parser(std::string_view textBytes) {
        std::size_t start = 0;
        while (start <= textBytes.size()) {
            std::size_t end = textBytes.find('\n', start);
            if (end == std::string_view::npos) end = textBytes.size();
            std::string_view line = textBytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    RegParseResult run() {
        const std::string_view header = trimRight(lines_.empty() ? std::string_view() : lines_[0]);
        if (header == kRegedit4) {
            result_.dialect = RegDialect::Regedit4;
        } else if (header == kVersion5) {
            result_.dialect = RegDialect::Version5;
        } else {
            return fail(1,
                        "not a registry file: the first line must be REGEDIT4 or \"Windows Registry Editor "
                        "Version 5.00\"");
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const std::string_view line = trimLeft(lines_[index_]);
            if (line.empty() || line.front() == ';') continue;
            const bool good = line.front() == '['                          ? keyLine(line)
                              : line.front() == '"' || line.front() == '@' ? valueLine(line)
                                                                           : error(
                                                                                 "unexpected text; expected "
                                                                                 "[key], \"name\"=value, "
                                                                                 "@=value or a ; comment");
            if (!good) return std::move(result_);
        }
        result_.ok = true;
        return std::move(result_);
    }

private:
    int lineNumber() const { return static_cast<int>(index_) + 1; }

    RegParseResult fail(int line, std::string message) {
        result_.ok = false;
        result_.operations.clear();
        result_.error = {line, std::move(message)};
        return std::move(result_);
    }

    bool error(std::string message) {
        result_.ok = false;
        result_.operations.clear();
        result_.error = {lineNumber(), std::move(message)};
        return false;
    }

    bool keyLine(std::string_view line) {
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) return error("missing ] after the key name");
        if (!onlyComment(line.substr(close + 1))) return error("unexpected text after ]");
        std::string_view name = line.substr(1, close - 1);
        const bool deletion = !name.empty() && name.front() == '-';
        if (deletion) name.remove_prefix(1);
        const std::string_view rootName = name.substr(0, name.find('\\'));
        if (rootName.empty()) return error("missing root key name");
        const auto full = parseFullKeyPath(name);
        if (!full)
            return error("unknown root key " + std::string(rootName) +
                         " (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT are supported)");
        if (deletion && full->path.empty()) return error("a root key cannot be deleted");
        if (const std::string problem = keyPathProblem(full->path); !problem.empty()) return error(problem);
        RegOperation op;
        op.kind = deletion ? RegOperation::Kind::DeleteKey : RegOperation::Kind::CreateKey;
        op.root = full->root;
        op.keyPath = full->path;
        op.line = lineNumber();
        haveKey_ = true;
        keyDeleted_ = deletion;
        currentRoot_ = op.root;
        currentPath_ = op.keyPath;
        result_.operations.push_back(std::move(op));
        return true;
    }

    // A quoted string at s[0] == '"'; on success rest is what follows the closing quote.
    bool quoted(std::string_view s, std::string& out, std::string_view& rest) {
        out.clear();
        for (std::size_t i = 1; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '"') {
                rest = s.substr(i + 1);
                return true;
            }
            if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
                out.push_back(s[++i]);
            } else {
                // Any other backslash is kept as written, as hand-made files expect.
                out.push_back(c);
            }
        }
        return error("missing closing quote");
    }

    bool valueLine(std::string_view line) {
        if (!haveKey_) return error("value before any [key] line");
        if (keyDeleted_) return error("value under a deleted key");
        RegOperation op;
        op.root = currentRoot_;
        op.keyPath = currentPath_;
        op.line = lineNumber();
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (!quoted(line, op.valueName, rest)) {
            return false;
        }
        if (const std::string problem = valueNameProblem(op.valueName); !problem.empty())
            return error(problem);
        rest = trimLeft(rest);
        if (rest.empty() || rest.front() != '=') return error("expected = after the value name");
        rest = trimLeft(rest.substr(1));

        if (!rest.empty() && rest.front() == '"') {
            std::string textValue;
            std::string_view after;
            if (!quoted(rest, textValue, after)) return false;
            if (!onlyComment(after)) return error("unexpected text after the closing quote");
            op.kind = RegOperation::Kind::SetValue;
            op.type = platform::REG_SZ;
            op.data = std::move(textValue);
            op.data.push_back('\0');
        } else if (!rest.empty() && rest.front() == '-') {
            if (!onlyComment(rest.substr(1))) return error("unexpected text after =-");
            op.kind = RegOperation::Kind::DeleteValue;
        } else if (startsWithNoCase(rest, "dword:")) {
            rest.remove_prefix(6);
            const std::size_t end = rest.find(';');
            std::uint32_t number = 0;
            if (!parseHexNumber(trim(rest.substr(0, end)), number))
                return error("dword: needs 1 to 8 hexadecimal digits");
            op.kind = RegOperation::Kind::SetValue;
            op.type = platform::REG_DWORD;
            for (int i = 0; i < 4; ++i) op.data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
        } else if (startsWithNoCase(rest, "hex")) {
            if (!hexValue(rest.substr(3), op)) return false;
        } else {
            return error("unrecognised value data; expected \"text\", dword:, hex:, hex(n): or -");
        }
        result_.operations.push_back(std::move(op));
        return true;
    }

    // After "hex": "(n):" or ":" then comma-separated bytes, continued over lines ending in '\'.
    bool hexValue(std::string_view rest, RegOperation& op) {
        std::uint32_t type = platform::REG_BINARY;
        if (!rest.empty() && rest.front() == '(') {
            const std::size_t close = rest.find(')');
            if (close == std::string_view::npos || !parseHexNumber(trim(rest.substr(1, close - 1)), type))
                return error("hex(n): needs a hexadecimal type number of 1 to 8 digits");
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':') return error("expected : after hex");
        rest.remove_prefix(1);

        std::string joined;
        for (;;) {
            std::string_view piece = trim(rest.substr(0, rest.find(';')));
            const bool continues = !piece.empty() && piece.back() == '\\';
            if (continues) piece.remove_suffix(1);
            joined.append(trim(piece));
            if (!continues) break;
            // Comment lines may sit between continued lines.
            do {
                if (index_ + 1 >= lines_.size()) return error("the file ends after a line continuation");
                rest = trimLeft(lines_[++index_]);
            } while (!rest.empty() && rest.front() == ';');
        }

        std::string data;
        std::size_t start = 0;
        while (start < joined.size()) {
            std::size_t comma = joined.find(',', start);
            if (comma == std::string::npos) comma = joined.size();
            const std::string_view token = trim(std::string_view(joined).substr(start, comma - start));
            const bool last = comma + 1 >= joined.size();
            if (token.empty()) {
                if (comma < joined.size() && !last) return error("empty byte between commas in hex data");
            } else {
                std::uint32_t byte = 0;
                if (token.size() > 2 || !parseHexNumber(token, byte))
                    return error("bad byte \"" + std::string(token) + "\" in hex data");
                data.push_back(static_cast<char>(byte));
            }
            start = comma + 1;
        }
        // Version 5 files hold the string types as UTF-16LE.
        if (result_.dialect == RegDialect::Version5 &&
            (type == platform::REG_SZ || type == platform::REG_EXPAND_SZ || type == platform::REG_MULTI_SZ))
            data = utf16ToCp1252(data);
        op.kind = RegOperation::Kind::SetValue;
        op.type = type;
        op.data = std::move(data);
        return true;
    }

    std::vector<std::string_view> lines_;
    std::size_t index_ = 0;
    RegParseResult result_;
    bool haveKey_ = false;
    bool keyDeleted_ = false;
    HKey currentRoot_ = 0;
    std::string currentPath_;
};

}  // namespace

RegParseResult parseRegFile(std::string_view bytes) {
    std::string decoded;
    std::string_view textBytes = bytes;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        decoded = utf16ToCp1252(bytes.substr(2));
        textBytes = decoded;
        if (bytes.size() % 2 != 0) {
            RegParseResult result;
            result.error = {1 + static_cast<int>(std::count(decoded.begin(), decoded.end(), '\n')),
                            "the file ends in the middle of a UTF-16 character"};
            return result;
        }
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
               static_cast<unsigned char>(bytes[1]) == 0xFF) {
        RegParseResult result;
        result.error = {1,
                        "UTF-16 big-endian files are not supported; save the file as UTF-16LE or REGEDIT4"};
        return result;
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        decoded = text::utf8ToCp1252(bytes.substr(3));
        textBytes = decoded;
    }
    return Parser(textBytes).run();
}

RegImportResult applyRegOperations(RegistryStore& store, const std::vector<RegOperation>& operations) {
    RegImportResult result;
    int failedLine = 0;
    result.code = store.transaction([&]() -> long {
        for (const RegOperation& op : operations) {
            long code = 0;
            switch (op.kind) {
                case RegOperation::Kind::CreateKey:
                    code = store.createKey(op.root, op.keyPath);
                    break;
                case RegOperation::Kind::DeleteKey:
                    code = store.deleteKey(op.root, op.keyPath);
                    break;
                case RegOperation::Kind::SetValue:
                    code = store.setValue(op.root, op.keyPath, op.valueName, op.type, op.data);
                    break;
                case RegOperation::Kind::DeleteValue:
                    code = store.deleteValue(op.root, op.keyPath, op.valueName);
                    break;
            }
            if (code == platform::ERROR_FILE_NOT_FOUND &&
                (op.kind == RegOperation::Kind::DeleteKey || op.kind == RegOperation::Kind::DeleteValue))
                code = 0;
            if (code != 0) {
                failedLine = op.line;
                return code;
            }
        }
        return 0;
    });
    result.ok = result.code == 0;
    if (!result.ok)
        result.error = {failedLine,
                        "the registry refused the change (error " + std::to_string(result.code) + ")"};
    return result;
}

RegImportResult importRegFile(RegistryStore& store, std::string_view bytes) {
    RegParseResult parsed = parseRegFile(bytes);
    if (!parsed.ok) {
        RegImportResult result;
        result.code = platform::ERROR_INVALID_DATA;
        result.error = std::move(parsed.error);
        return result;
    }
    return applyRegOperations(store, parsed.operations);
}

}  // namespace vintrel::registry
