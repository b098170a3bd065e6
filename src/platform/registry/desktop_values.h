#pragma once
// Desktop values: registry values that stand for a setting of the running desktop (bitmap
// thumbnails, the menu delay). The store keeps them as it keeps every value; the desktop's
// own state wins when they are read, and every change to the stored value, whoever makes it
// (the program, vintrel-reg add, delete or import), is passed on to the desktop.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::registry {

class RegistryStore;

struct ValueLocation {
    platform::HKey root = 0;
    std::string keyPath;    // as Windows spells it; matched without regard to case
    std::string valueName;  // empty: the key's default value
};

class DesktopValues {
public:
    virtual ~DesktopValues() = default;
    // Every value this desktop backs.
    virtual const std::vector<ValueLocation>& locations() const = 0;
    // The desktop's state of a backed value, when the desktop has the setting; nullopt for
    // any other value, or where the setting is stored only.
    virtual std::optional<platform::RegValue> value(const ValueLocation& location) = 0;
    // The stored value became `stored`, or was deleted (nullptr: the desktop setting goes back
    // to its default).
    virtual void apply(const ValueLocation& location, const platform::RegValue* stored) = 0;
};

// The backed value at (root, keyPath, valueName), if any.
const ValueLocation* findDesktopValue(const DesktopValues& values, platform::HKey root,
                                      std::string_view keyPath, std::string_view valueName);

// The desktop's state of the value at that place, when it is backed and the desktop has it.
std::optional<platform::RegValue> desktopValue(DesktopValues* values, platform::HKey root,
                                               std::string_view keyPath, std::string_view valueName);

// True when a backed value of the key at keyPath has a state on this desktop, so that the key
// can be opened although the store does not hold it.
bool desktopKeyExists(DesktopValues* values, platform::HKey root, std::string_view keyPath);

// After a write to the store: passes the stored state of each backed value it touched on to
// the desktop. valueName names the one value written or deleted; nullopt means every value of
// the key and of the keys below it (a key deleted, or all its values).
void passStoredChanges(DesktopValues* values, RegistryStore& store, platform::HKey root,
                       std::string_view keyPath, std::optional<std::string_view> valueName);

}  // namespace vintrel::registry
