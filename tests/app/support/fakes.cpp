#include "tests/app/support/fakes.h"

namespace kelvaron_test {

std::optional<QString> MemoryStore::read(const QString& section, const QString& key) const {
    const auto it = values.find(section + "/" + key);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

void MemoryStore::write(const QString& section, const QString& key, const QString& value) {
    values[section + "/" + key] = value;
    writes.emplace_back(section + "/" + key, value);
}

void RecordingDialogs::message(QWidget*, const QString& text) {
    messages.push_back(text);
    if (onMessage) onMessage(text);
}

bool RecordingDialogs::retryCancel(QWidget*, const QString& text) {
    messages.push_back(text);
    if (onMessage) onMessage(text);
    if (retryAnswers.empty()) return false;
    const bool retry = retryAnswers.front();
    retryAnswers.pop_front();
    return retry;
}

std::optional<QString> RecordingDialogs::saveFileName(QWidget*, const QString& title,
                                                      const QStringList& filters,
                                                      const QString& current) {
    saveTitle = title;
    saveFilters = filters;
    saveCurrent = current;
    return savePath;
}

bool ScriptedCommPort::open(int port, const std::string& settings) {
    openCalls.emplace_back(port, settings);
    open_ = opens;
    return open_;
}

std::string ScriptedCommPort::readAll() {
    if (chunks.empty()) {
        if (loseAtEnd) open_ = false;
        return {};
    }
    std::string chunk = std::move(chunks.front());
    chunks.pop_front();
    return chunk;
}

}  // namespace kelvaron_test
