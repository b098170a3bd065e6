#include <cstdio>

#include "platform/registry/key_path.h"
#include "platform/registry/reg_file.h"
#include "text/cp1252.h"

namespace vintrel::registry {

using platform::HKey;

namespace {

constexpr int kMaxExportDepth = 512;  // deeper than Windows allows; guards against a looping store

void appendQuoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// REG_SZ data that reads back the same from a quoted string: one NUL at the end and no other,
// and no line break.
bool quotable(const platform::RegValue& value) {
    if (value.type != platform::REG_SZ || value.data.empty() || value.data.back() != '\0') return false;
    const std::string_view body(value.data.data(), value.data.size() - 1);
    return body.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

void appendValue(std::string& out, const RegistryStore::NamedValue& named) {
    std::string line;
    if (named.name.empty())
        line = "@";
    else
        appendQuoted(line, named.name);
    line.push_back('=');
    const platform::RegValue& value = named.value;
    char buffer[32];
    if (quotable(value)) {
        appendQuoted(line, std::string_view(value.data.data(), value.data.size() - 1));
        out += line + "\r\n";
        return;
    }
    if (value.type == platform::REG_DWORD && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(value.data[i]);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        out += line + buffer + "\r\n";
        return;
    }
    if (value.type == platform::REG_BINARY) {
        line += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
        line += buffer;
    }
    // Wrapped as regedit does: lines of about 80 columns, continued with a backslash.
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(value.data[i]));
        line += buffer;
        if (i + 1 < value.data.size()) {
            line.push_back(',');
            if (line.size() > 76) {
                out += line + "\\\r\n";
                line = "  ";
            }
        }
    }
    out += line + "\r\n";
}

long exportKey(RegistryStore& store, HKey root, const std::string& path, int depth, std::string& out) {
    out += "\r\n[";
    out += rootKeyName(root);
    if (!path.empty()) out += "\\" + path;
    out += "]\r\n";
    std::vector<RegistryStore::NamedValue> values;
    if (long error = store.values(root, path, values)) return error;
    for (const auto& value : values) appendValue(out, value);
    if (depth >= kMaxExportDepth) return 0;
    std::vector<std::string> children;
    if (long error = store.subKeys(root, path, children)) return error;
    for (const std::string& child : children)
        if (long error = exportKey(store, root, joinKeyPath(path, child), depth + 1, out)) return error;
    return 0;
}

// The path spelled as its keys were created, or empty when a key on it is missing.
long storedSpelling(RegistryStore& store, HKey root, std::string_view keyPath, std::string& spelled) {
    spelled.clear();
    for (std::string_view name : splitKeyPath(keyPath)) {
        std::vector<std::string> children;
        if (long error = store.subKeys(root, spelled, children)) return error;
        const std::string* match = nullptr;
        for (const std::string& child : children)
            if (text::equalsIgnoreCaseCp1252(child, name)) match = &child;
        if (match == nullptr) return platform::ERROR_FILE_NOT_FOUND;
        spelled = joinKeyPath(spelled, *match);
    }
    return 0;
}

}  // namespace

std::string exportRegFile(RegistryStore& store, HKey root, std::string_view keyPath, long* error) {
    std::string out = "REGEDIT4\r\n";
    std::string path;
    long code =
        isRootKey(root) ? storedSpelling(store, root, keyPath, path) : long{platform::ERROR_INVALID_HANDLE};
    if (code == 0) code = exportKey(store, root, path, 0, out);
    out += "\r\n";
    if (error != nullptr) *error = code;
    return out;
}

}  // namespace vintrel::registry
