// The converted-word map made independently from the structure tables: per structure its size and the
// offset and width of every word its converter byte-reverses (a bus-type union marked by its size).
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace convmap {

struct Word {
    uint32_t offset;
    uint32_t width;  // 2 or 4; 0 marks a bus-type union of `unionSize` bytes
    uint32_t unionSize;
};

struct MapLine {
    uint32_t size = 0;
    std::vector<Word> words;
};

inline std::map<std::string, MapLine> Load(const char* path) {
    std::map<std::string, MapLine> map;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        MapLine entry;
        fields >> name >> entry.size;
        std::string word;
        while (fields >> word) {
            const size_t colon = word.find(':');
            const uint32_t offset = std::stoul(word.substr(0, colon));
            const std::string width = word.substr(colon + 1);
            if (width[0] == 'U') {
                entry.words.push_back({offset, 0, static_cast<uint32_t>(std::stoul(width.substr(1)))});
            } else {
                entry.words.push_back({offset, static_cast<uint32_t>(std::stoul(width)), 0});
            }
        }
        map[name] = entry;
    }
    return map;
}

}  // namespace convmap
