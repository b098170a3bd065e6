#pragma once
// platform::Registry answered from a RegistryStore, with an optional overlay of live keys.
// A value in the store overrides the live value of the same name; keys that exist only live
// can be opened and enumerated. The three root keys are always-open pseudo-handles. Values
// that stand for a desktop setting are read from the desktop first, and each write of one is
// passed on to it (desktop_values.h).

#include <memory>

#include "platform/api/platform.h"
#include "platform/registry/desktop_values.h"
#include "platform/registry/live_keys.h"
#include "platform/registry/registry_store.h"

namespace vintrel::registry {

std::unique_ptr<platform::Registry> makeStoreRegistry(std::shared_ptr<RegistryStore> store,
                                                      std::shared_ptr<LiveKeys> live = nullptr,
                                                      std::shared_ptr<DesktopValues> desktop = nullptr);

}  // namespace vintrel::registry
