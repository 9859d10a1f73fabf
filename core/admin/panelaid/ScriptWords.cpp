#include "ScriptWords.h"

namespace panelaid {

namespace {
bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool Plain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == '@' || c == ':' || c == '+' || c == '=' || c == ',';
}
}  // namespace

bool SplitScriptWords(const std::string& text, std::vector<std::string>* words) {
    words->clear();
    std::string word;
    bool inWord = false;  // a word has begun (it may be empty: "")
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (Blank(c)) {
            if (inWord) words->push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (i + 1 == n) {
                word += c;  // a backslash at the very end stands for itself
            } else if (text[i + 1] == '\n') {
                ++i;  // line continuation
            } else {
                word += text[++i];
            }
        } else if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string::npos) {
                words->clear();
                return false;
            }
            word.append(text, i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            std::size_t j = i + 1;
            for (; j < n && text[j] != '"'; ++j) {
                if (text[j] == '\\' && j + 1 < n) {
                    const char next = text[j + 1];
                    if (next == '$' || next == '`' || next == '"' || next == '\\') {
                        word += next;
                        ++j;
                        continue;
                    }
                    if (next == '\n') {
                        ++j;
                        continue;
                    }
                }
                word += text[j];
            }
            if (j >= n) {
                words->clear();
                return false;
            }
            i = j;
        } else {
            word += c;
        }
    }
    if (inWord) words->push_back(word);
    return true;
}

std::string ScriptWord(const std::string& text) {
    bool plain = !text.empty();
    for (char c : text) plain = plain && Plain(c);
    if (plain) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace panelaid
