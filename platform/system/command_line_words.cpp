#include "platform/system/command_line_words.h"

namespace platform {

std::vector<std::string> SplitCommandLine(const char* command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* c = command; *c != '\0'; ++c) {
        if (*c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*c == ' ' || *c == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace platform
