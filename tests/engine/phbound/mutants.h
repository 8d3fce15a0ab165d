#ifndef TESTS_ENGINE_PHBOUND_MUTANTS_H
#define TESTS_ENGINE_PHBOUND_MUTANTS_H

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Damaged copies of a good file for the mutation runs: bit flips, cuts, counts and ids
// replaced by huge, negative and off-by-one values, long names, lost and doubled lines. A
// mutant depends only on its number, so a run can go on from any mutant.
class MutantMaker {
public:
    // offsets: where the binary form keeps 32-bit counts; shortFields: where it keeps 16-bit
    // ids. Both are ignored for text.
    MutantMaker(const std::string& original, bool text, std::vector<int> offsets = {},
                std::vector<int> shortFields = {})
        : m_Original(original), m_Text(text), m_Offsets(offsets), m_ShortFields(shortFields) {}

    std::string Make(int number) const {
        std::mt19937 rng(0x5EED0000u + uint32_t(number));
        std::string bytes = m_Original;
        int kind = int(rng() % 6);
        switch (kind) {
        case 0: {
            int flips = 1 + int(rng() % 3);
            for (int i = 0; i < flips; ++i) {
                size_t at = rng() % bytes.size();
                bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
            }
            break;
        }
        case 1:
            bytes.resize(rng() % bytes.size());
            break;
        case 2:
            if (m_Text) {
                ReplaceToken(bytes, rng, true, Pick(rng, {"-1", "0", "999999999", "65536",
                                                          "2147483647", "-2147483648", "256",
                                                          "8", "7", "1e38", "-0"}));
            } else if (!m_Offsets.empty()) {
                WriteU32(bytes, m_Offsets[rng() % m_Offsets.size()],
                         Pick32(rng, {0u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 65535u,
                                      65536u, 9u, 7u, 100000u}));
            }
            break;
        case 3:
            if (m_Text) {
                ReplaceToken(bytes, rng, false, std::string(300, 'x'));
            } else if (!m_ShortFields.empty()) {
                int at = m_ShortFields[rng() % m_ShortFields.size()];
                uint32_t value = Pick32(rng, {8u, 0xFFFFu, 255u, 256u, 1u, 0x8000u});
                if (at + 2 <= int(bytes.size())) {
                    bytes[at] = char(value);
                    bytes[at + 1] = char(value >> 8);
                }
            }
            break;
        case 4: {
            // A run of bytes lost or doubled.
            size_t at = rng() % bytes.size();
            size_t length = 1 + rng() % 24;
            if (rng() % 2) {
                bytes.erase(at, length);
            } else {
                bytes.insert(at, bytes.substr(at, length));
            }
            break;
        }
        default:
            // A name field without its end: 40 bytes of letters over the first name found.
            size_t at = m_Text ? bytes.find("mtl ") + 4 : 13 + rng() % (bytes.size() - 13);
            if (at < bytes.size()) {
                bytes.replace(at, std::min<size_t>(40, bytes.size() - at), std::string(40, 'n'));
            }
            break;
        }
        return bytes;
    }

private:
    static std::string Pick(std::mt19937& rng, std::vector<std::string> values) {
        return values[rng() % values.size()];
    }
    static uint32_t Pick32(std::mt19937& rng, std::vector<uint32_t> values) {
        return values[rng() % values.size()];
    }
    static void WriteU32(std::string& bytes, int offset, uint32_t value) {
        for (int i = 0; i < 4 && offset + i < int(bytes.size()); ++i) {
            bytes[offset + i] = char(value >> (8 * i));
        }
    }
    // Replaces a random token: a number (numeric) or a word.
    static void ReplaceToken(std::string& text, std::mt19937& rng, bool numeric,
                             const std::string& value) {
        std::vector<std::pair<size_t, size_t>> tokens;
        for (size_t i = 0; i < text.size();) {
            while (i < text.size() && isspace((unsigned char)text[i])) {
                ++i;
            }
            size_t start = i;
            while (i < text.size() && !isspace((unsigned char)text[i])) {
                ++i;
            }
            if (i > start) {
                bool number = isdigit((unsigned char)text[start]) || text[start] == '-';
                if (number == numeric) {
                    tokens.push_back(std::make_pair(start, i - start));
                }
            }
        }
        if (!tokens.empty()) {
            const auto& token = tokens[rng() % tokens.size()];
            text.replace(token.first, token.second, value);
        }
    }

    std::string m_Original;
    bool m_Text;
    std::vector<int> m_Offsets;
    std::vector<int> m_ShortFields;
};

#endif
