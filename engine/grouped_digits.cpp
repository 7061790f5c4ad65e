#include "engine/grouped_digits.h"

#include <array>

void AppendGroupedDigits(std::string& out, uint64_t value, std::string_view separator,
                         std::string_view grouping) {
    // The digits from the right, then written out from the left.
    std::array<char, 20> digits{};
    size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);

    // Where separators go, counted in digits from the right: each size of grouping in turn, and
    // a size of 0 repeats the one before it for the rest.
    std::array<bool, 20> separator_after{};
    size_t previous = 0;
    size_t at = 0;
    for (const char c : grouping) {
        if (c == ';') {
            continue;
        }
        if (c < '0' || c > '9') {
            break;
        }
        const size_t size = static_cast<size_t>(c - '0');
        if (size == 0) {
            while (previous != 0 && at + previous < count) {
                at += previous;
                separator_after[at] = true;
            }
            break;
        }
        if (at + size >= count) {
            break;
        }
        at += size;
        separator_after[at] = true;
        previous = size;
    }
    for (size_t i = count; i-- > 0;) {
        out += digits[i];
        if (i > 0 && separator_after[i]) {
            out.append(separator);
        }
    }
}
