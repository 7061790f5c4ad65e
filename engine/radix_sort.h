// A stable sort of many items by a 64-bit key, for folders of hundreds of thousands of entries:
// a few passes over the items instead of n log n comparisons.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

// Below this many items a comparison sort costs less than the radix sort's counting.
constexpr size_t kRadixSortFrom = 1024;

// Orders the items by their member key, items of equal keys as they came: a byte at a time,
// least significant first, each pass a stable distribution of the items into 256 runs. A byte
// that every key shares takes no pass. spare holds as many items.
template <typename Item> void RadixSortByKey(Item* items, Item* spare, size_t count) {
    size_t counts[8][256] = {};
    for (size_t i = 0; i < count; ++i) {
        for (int byte = 0; byte < 8; ++byte) {
            ++counts[byte][(items[i].key >> (8 * byte)) & 0xFF];
        }
    }
    Item* from = items;
    Item* to = spare;
    for (int byte = 0; byte < 8; ++byte) {
        size_t* starts = counts[byte];
        if (std::find(starts, starts + 256, count) != starts + 256) {
            continue;
        }
        size_t start = 0;
        for (int value = 0; value < 256; ++value) {
            start += std::exchange(starts[value], start);
        }
        for (size_t i = 0; i < count; ++i) {
            to[starts[(from[i].key >> (8 * byte)) & 0xFF]++] = from[i];
        }
        std::swap(from, to);
    }
    if (from != items) {
        std::copy(from, from + count, items);
    }
}

// Puts each run of items that tie (tie(a, b) for neighbours) in order by less, after a sort by
// key has brought them together.
template <typename Item, typename Tie, typename Less>
void SortTiedRuns(Item* items, size_t count, Tie tie, Less less) {
    for (size_t start = 0; start < count;) {
        size_t end = start + 1;
        while (end < count && tie(items[start], items[end])) {
            ++end;
        }
        if (end - start > 1) {
            std::sort(items + start, items + end, less);
        }
        start = end;
    }
}
