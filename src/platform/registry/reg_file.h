#pragma once
// .reg files: REGEDIT4 (Windows-1252) and "Windows Registry Editor Version 5.00" (UTF-16LE with
// a byte-order mark), read into a list of operations by a pure parser, applied to a store in
// one transaction, and written back as REGEDIT4.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"
#include "platform/registry/registry_store.h"

namespace vintrel::registry {

enum class RegDialect { Regedit4, Version5 };

struct RegOperation {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    platform::HKey root = 0;
    std::string keyPath;    // normalized, Windows-1252
    std::string valueName;  // empty for the default value
    std::uint32_t type = platform::REG_NONE;
    std::string data;  // raw bytes; REG_SZ text carries its NUL
    int line = 0;      // where the operation starts in the file
};

struct RegParseError {
    int line = 0;  // 1-based
    std::string message;
};

struct RegParseResult {
    bool ok = false;
    RegDialect dialect = RegDialect::Regedit4;
    std::vector<RegOperation> operations;
    RegParseError error;  // when !ok
};

// Parses the whole file; the first malformed line stops it with its line number. Texts of a
// UTF-16 file, and the string types (hex(1), hex(2), hex(7)) of a version 5 file, become
// Windows-1252 with '?' for characters it lacks.
RegParseResult parseRegFile(std::string_view bytes);

struct RegImportResult {
    bool ok = false;
    long code = 0;  // Win32 error when the store refused a write
    RegParseError error;
};

// Applies the operations in one transaction: all of them or none. Deleting what does not
// exist is no error.
RegImportResult applyRegOperations(RegistryStore& store, const std::vector<RegOperation>& operations);
// parseRegFile then applyRegOperations; nothing is written when the file has a malformed line.
RegImportResult importRegFile(RegistryStore& store, std::string_view bytes);

// The key and everything below it as a REGEDIT4 file (CRLF line ends, Windows-1252) that
// imports back to the same keys and values. Subkeys follow their parent in enumeration order.
// error (when given) receives 0 or the Win32 error that cut the export short.
std::string exportRegFile(RegistryStore& store, platform::HKey root, std::string_view keyPath,
                          long* error = nullptr);

}  // namespace vintrel::registry
