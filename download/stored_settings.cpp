#include "download/stored_settings.h"

#include <charconv>
#include <optional>
#include <string>

namespace app {

namespace {

std::optional<int> whole16(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    const std::size_t start = s.size() > 1 && s[0] == '+' && s[1] != '-' ? 1 : 0;
    int v = 0;
    const auto res = std::from_chars(s.data() + start, s.data() + s.size(), v);
    if (s.size() == start || res.ec != std::errc() || res.ptr != s.data() + s.size())
        return std::nullopt;
    if (v < -32768 || v > 32767) return std::nullopt;
    return v;
}

}  // namespace

int storedNumber(const SettingsStore& store, const QString& key, int fallback) {
    const auto text = store.read(kSettingsSection, key);
    if (!text) return fallback;
    return whole16(*text).value_or(fallback);
}

int storedIndex(const SettingsStore& store, const QString& key, int fallback, int count) {
    const int v = storedNumber(store, key, fallback);
    return v >= 0 && v < count ? v : fallback;
}

QString storedText(const SettingsStore& store, const QString& key, const QString& fallback) {
    return store.read(kSettingsSection, key).value_or(fallback);
}

}  // namespace app
