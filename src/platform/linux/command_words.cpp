#include "platform/linux/command_words.h"

namespace vintrel::platform::linux_host {

std::vector<std::string> splitWindowsParameters(std::string_view params) {
    std::vector<std::string> out;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : params) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) out.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) out.push_back(std::move(word));
    return out;
}

std::optional<std::vector<std::string>> splitCommand(std::string_view command) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false;
    std::size_t i = 0;
    while (i < command.size()) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) out.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\'') {
            const auto close = command.find('\'', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            word.append(command.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            ++i;
            inWord = true;
            for (;;) {
                if (i >= command.size()) return std::nullopt;
                const char d = command[i];
                if (d == '"') {
                    ++i;
                    break;
                }
                if (d == '\\' && i + 1 < command.size() &&
                    (command[i + 1] == '"' || command[i + 1] == '\\' || command[i + 1] == '$' ||
                     command[i + 1] == '`')) {
                    word.push_back(command[i + 1]);
                    i += 2;
                } else {
                    word.push_back(d);
                    ++i;
                }
            }
        } else if (c == '\\') {
            if (i + 1 >= command.size()) return std::nullopt;
            word.push_back(command[i + 1]);
            inWord = true;
            i += 2;
        } else {
            word.push_back(c);
            inWord = true;
            ++i;
        }
    }
    if (inWord) out.push_back(std::move(word));
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace vintrel::platform::linux_host
