#include "platform/linux/gsettings_keys.h"

#include <dlfcn.h>
#include <gio/gio.h>

#include <memory>
#include <type_traits>

namespace vintrel::platform::linux_host {
namespace {

// GIO is loaded at the first GSettings question rather than with the program: most runs never
// ask one, and GIO with the libraries it needs cost a tenth of the start-up.
struct Gio {
    decltype(&g_settings_schema_source_get_default) schemaSourceGetDefault;
    decltype(&g_settings_schema_source_lookup) schemaSourceLookup;
    decltype(&g_settings_schema_has_key) schemaHasKey;
    decltype(&g_settings_schema_get_path) schemaGetPath;
    decltype(&g_settings_schema_get_key) schemaGetKey;
    decltype(&g_settings_schema_key_get_value_type) schemaKeyGetValueType;
    decltype(&g_settings_schema_key_unref) schemaKeyUnref;
    decltype(&g_settings_schema_unref) schemaUnref;
    decltype(&g_settings_new_full) newFull;
    decltype(&g_settings_sync) sync;
    decltype(&g_settings_get_strv) getStrv;
    decltype(&g_settings_get_boolean) getBoolean;
    decltype(&g_settings_set_strv) setStrv;
    decltype(&g_settings_set_boolean) setBoolean;
    decltype(&g_settings_set_string) setString;
    decltype(&g_settings_reset) reset;
    decltype(&g_object_unref) objectUnref;
};

// The loaded functions, or nullptr when GIO cannot be loaded (then no key exists).
const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        void* library = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
        if (library == nullptr) return nullptr;
        static Gio g;
        bool all = true;
        const auto bind = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
            all = all && function != nullptr;
        };
        bind(g.schemaSourceGetDefault, "g_settings_schema_source_get_default");
        bind(g.schemaSourceLookup, "g_settings_schema_source_lookup");
        bind(g.schemaHasKey, "g_settings_schema_has_key");
        bind(g.schemaGetPath, "g_settings_schema_get_path");
        bind(g.schemaGetKey, "g_settings_schema_get_key");
        bind(g.schemaKeyGetValueType, "g_settings_schema_key_get_value_type");
        bind(g.schemaKeyUnref, "g_settings_schema_key_unref");
        bind(g.schemaUnref, "g_settings_schema_unref");
        bind(g.newFull, "g_settings_new_full");
        bind(g.sync, "g_settings_sync");
        bind(g.getStrv, "g_settings_get_strv");
        bind(g.getBoolean, "g_settings_get_boolean");
        bind(g.setStrv, "g_settings_set_strv");
        bind(g.setBoolean, "g_settings_set_boolean");
        bind(g.setString, "g_settings_set_string");
        bind(g.reset, "g_settings_reset");
        bind(g.objectUnref, "g_object_unref");
        return all ? &g : nullptr;
    }();
    return loaded;
}

struct Unref {
    void operator()(GSettings* settings) const { gio()->objectUnref(settings); }
    void operator()(GSettingsSchema* schema) const { gio()->schemaUnref(schema); }
};
template <typename T>
using GPtr = std::unique_ptr<T, Unref>;

// The settings object for the key's schema, or nullptr when GIO, the schema or the key is
// missing or the key is not of `type`.
GPtr<GSettings> open(const GSettingsKey& key, const char* type) {
    const Gio* g = gio();
    if (g == nullptr) return nullptr;
    GSettingsSchemaSource* source = g->schemaSourceGetDefault();
    if (source == nullptr) return nullptr;
    GPtr<GSettingsSchema> schema(g->schemaSourceLookup(source, key.schema.c_str(), TRUE));
    if (!schema || !g->schemaHasKey(schema.get(), key.key.c_str())) return nullptr;
    const char* fixedPath = g->schemaGetPath(schema.get());
    if ((fixedPath == nullptr) == key.path.empty()) return nullptr;  // relocatable needs a path, fixed takes none
    if (type != nullptr) {
        GSettingsSchemaKey* schemaKey = g->schemaGetKey(schema.get(), key.key.c_str());
        const bool typed = g_variant_type_equal(g->schemaKeyGetValueType(schemaKey), G_VARIANT_TYPE(type));
        g->schemaKeyUnref(schemaKey);
        if (!typed) return nullptr;
    }
    return GPtr<GSettings>(g->newFull(schema.get(), nullptr, key.path.empty() ? nullptr : key.path.c_str()));
}

bool written(GSettings* settings, gboolean changed) {
    gio()->sync();
    return changed != FALSE && settings != nullptr;
}

}  // namespace

bool gsettingsHasKey(const GSettingsKey& key) { return open(key, nullptr) != nullptr; }

std::optional<std::vector<std::string>> gsettingsStrings(const GSettingsKey& key) {
    auto settings = open(key, "as");
    if (!settings) return std::nullopt;
    gchar** strings = gio()->getStrv(settings.get(), key.key.c_str());
    std::vector<std::string> out;
    for (gchar** s = strings; s != nullptr && *s != nullptr; ++s) out.emplace_back(*s);
    g_strfreev(strings);
    return out;
}

std::optional<bool> gsettingsBool(const GSettingsKey& key) {
    auto settings = open(key, "b");
    if (!settings) return std::nullopt;
    return gio()->getBoolean(settings.get(), key.key.c_str()) != FALSE;
}

bool setGSettingsStrings(const GSettingsKey& key, const std::vector<std::string>& values) {
    auto settings = open(key, "as");
    if (!settings) return false;
    std::vector<const gchar*> array;
    for (const auto& v : values) array.push_back(v.c_str());
    array.push_back(nullptr);
    return written(settings.get(), gio()->setStrv(settings.get(), key.key.c_str(), array.data()));
}

bool setGSettingsBool(const GSettingsKey& key, bool value) {
    auto settings = open(key, "b");
    if (!settings) return false;
    return written(settings.get(), gio()->setBoolean(settings.get(), key.key.c_str(), value));
}

bool setGSettingsString(const GSettingsKey& key, const std::string& value) {
    auto settings = open(key, "s");
    if (!settings) return false;
    return written(settings.get(), gio()->setString(settings.get(), key.key.c_str(), value.c_str()));
}

bool resetGSettings(const GSettingsKey& key) {
    auto settings = open(key, nullptr);
    if (!settings) return false;
    gio()->reset(settings.get(), key.key.c_str());
    return written(settings.get(), TRUE);
}

}  // namespace vintrel::platform::linux_host
