#include "platform/linux/gsettings_keys.h"

#include <gio/gio.h>

#include <memory>

namespace vintrel::platform::linux_host {
namespace {

struct Unref {
    void operator()(GSettings* settings) const { g_object_unref(settings); }
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
template <typename T>
using GPtr = std::unique_ptr<T, Unref>;

// The settings object for the key's schema, or nullptr when the schema or key is missing or
// the key is not of `type`.
GPtr<GSettings> open(const GSettingsKey& key, const char* type) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) return nullptr;
    GPtr<GSettingsSchema> schema(g_settings_schema_source_lookup(source, key.schema.c_str(), TRUE));
    if (!schema || !g_settings_schema_has_key(schema.get(), key.key.c_str())) return nullptr;
    const char* fixedPath = g_settings_schema_get_path(schema.get());
    if ((fixedPath == nullptr) == key.path.empty()) return nullptr;  // relocatable needs a path, fixed takes none
    if (type != nullptr) {
        GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema.get(), key.key.c_str());
        const bool typed = g_variant_type_equal(g_settings_schema_key_get_value_type(schemaKey),
                                                G_VARIANT_TYPE(type));
        g_settings_schema_key_unref(schemaKey);
        if (!typed) return nullptr;
    }
    return GPtr<GSettings>(
        g_settings_new_full(schema.get(), nullptr, key.path.empty() ? nullptr : key.path.c_str()));
}

bool written(GSettings* settings, gboolean changed) {
    g_settings_sync();
    return changed != FALSE && settings != nullptr;
}

}  // namespace

bool gsettingsHasKey(const GSettingsKey& key) { return open(key, nullptr) != nullptr; }

std::optional<std::vector<std::string>> gsettingsStrings(const GSettingsKey& key) {
    auto settings = open(key, "as");
    if (!settings) return std::nullopt;
    gchar** strings = g_settings_get_strv(settings.get(), key.key.c_str());
    std::vector<std::string> out;
    for (gchar** s = strings; s != nullptr && *s != nullptr; ++s) out.emplace_back(*s);
    g_strfreev(strings);
    return out;
}

std::optional<bool> gsettingsBool(const GSettingsKey& key) {
    auto settings = open(key, "b");
    if (!settings) return std::nullopt;
    return g_settings_get_boolean(settings.get(), key.key.c_str()) != FALSE;
}

bool setGSettingsStrings(const GSettingsKey& key, const std::vector<std::string>& values) {
    auto settings = open(key, "as");
    if (!settings) return false;
    std::vector<const gchar*> array;
    for (const auto& v : values) array.push_back(v.c_str());
    array.push_back(nullptr);
    return written(settings.get(), g_settings_set_strv(settings.get(), key.key.c_str(), array.data()));
}

bool setGSettingsBool(const GSettingsKey& key, bool value) {
    auto settings = open(key, "b");
    if (!settings) return false;
    return written(settings.get(), g_settings_set_boolean(settings.get(), key.key.c_str(), value));
}

bool setGSettingsString(const GSettingsKey& key, const std::string& value) {
    auto settings = open(key, "s");
    if (!settings) return false;
    return written(settings.get(), g_settings_set_string(settings.get(), key.key.c_str(), value.c_str()));
}

bool resetGSettings(const GSettingsKey& key) {
    auto settings = open(key, nullptr);
    if (!settings) return false;
    g_settings_reset(settings.get(), key.key.c_str());
    return written(settings.get(), TRUE);
}

}  // namespace vintrel::platform::linux_host
