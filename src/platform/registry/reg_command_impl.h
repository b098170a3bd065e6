#pragma once
// The object behind runRegCommand: the dispatch and the helpers the subcommands share
// (reg_command.cpp), query and export (reg_command_read.cpp), add, delete and import
// (reg_command_write.cpp). Internal.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/key_path.h"
#include "platform/registry/reg_command.h"
#include "platform/registry/reg_options.h"
#include "platform/registry/registry_store.h"

namespace vintrel::registry::detail {

inline constexpr const char* kDone = "The operation completed successfully.\n";

class Command {
public:
    Command(RegCommandContext& context) : c_(context) {}

    int run(const std::vector<std::string>& args);

private:
    // Shared by the subcommands.
    int fail(const std::string& message);
    int failCode(long code);
    bool expectPositional(std::size_t count, const char* form);
    bool parseKey(const std::string& argument, FullKeyPath& key);
    bool openStore();
    bool ask(const std::string& question);
    static std::string keyText(const FullKeyPath& key);
    bool keyExists(const FullKeyPath& key);
    std::string shown(std::string_view cp1252);

    // query and export.
    enum class Source { Store, Live, Desktop };
    void printValue(const std::string& name, const platform::RegValue& value, Source source = Source::Store);
    void printStoredValues(const FullKeyPath& key, const std::vector<RegistryStore::NamedValue>& values);
    std::vector<RegistryStore::NamedValue> liveOnly(const FullKeyPath& key,
                                                    const std::vector<RegistryStore::NamedValue>& stored);
    long subKeyNames(const FullKeyPath& key, std::vector<std::string>& names);
    long queryKey(const FullKeyPath& key, int depth);
    int query();
    bool writeFile(const std::string& file, const std::string& bytes);
    long mergedWithLive(const FullKeyPath& key, std::shared_ptr<RegistryStore>& merged);
    long addLive(RegistryStore& merged, const FullKeyPath& key, int depth);
    int exportKey();

    // add, delete and import.
    int add();
    int remove();
    int import();
    void passOn(const FullKeyPath& key, std::optional<std::string_view> valueName);
    bool readFile(const std::string& file, std::string& bytes);

    RegCommandContext& c_;
    RegOptions o_;
    std::shared_ptr<RegistryStore> store_;
};

}  // namespace vintrel::registry::detail
