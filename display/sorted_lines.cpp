#include "display/sorted_lines.h"

#include <algorithm>
#include <numeric>

namespace {

// A sorted list box compares with CompareStringW and NORM_IGNORECASE; the sort
// keys of the same locale and flag order by their bytes as that comparison
// does, and are equal exactly when it finds the lines equal.
std::string sortKey(LCID locale, const std::wstring& line) {
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    // Keys of a line of the list fit this buffer; one that does not is measured.
    char buffer[2048];
    int size = LCMapStringW(locale, flags, line.c_str(), -1, reinterpret_cast<wchar_t*>(buffer),
                            static_cast<int>(sizeof buffer));
    if (size > 0)
        return std::string(buffer, static_cast<size_t>(size));
    size = LCMapStringW(locale, flags, line.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return std::string();
    std::string key(static_cast<size_t>(size), '\0');
    LCMapStringW(locale, flags, line.c_str(), -1, reinterpret_cast<wchar_t*>(&key[0]), size);
    return key;
}

// Lines of equal keys must be identical, as nobody can tell those apart.
bool noDifferentLinesTie(const std::vector<std::wstring>& lines,
                         const std::vector<std::string>& keys, const std::vector<size_t>& order) {
    for (size_t i = 1; i < order.size(); ++i) {
        const size_t before = order[i - 1];
        const size_t after = order[i];
        if (keys[before] == keys[after] && lines[before] != lines[after])
            return false;
    }
    return true;
}

// Where a sorted list box puts lines that tie depends on its own search: it
// halves the lines it holds until it meets one that compares equal, and puts
// the new line before that one, or where the search ends. Done the same way,
// line after line, for the rare package whose different lines tie.
std::vector<size_t> insertedOneByOne(const std::vector<std::string>& keys) {
    std::vector<size_t> placed;
    placed.reserve(keys.size());
    for (size_t line = 0; line < keys.size(); ++line) {
        size_t low = 0;
        size_t high = placed.size();
        while (low != high) {
            const size_t middle = (low + high) / 2;
            const int order = keys[placed[middle]].compare(keys[line]);
            if (order == 0) {
                high = middle;
                break;
            }
            if (order > 0)
                high = middle;
            else
                low = middle + 1;
        }
        placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(high), line);
    }
    return placed;
}

} // namespace

std::vector<size_t> sortedListOrder(LCID locale, const std::vector<std::wstring>& lines) {
    std::vector<std::string> keys;
    keys.reserve(lines.size());
    for (const std::wstring& line : lines)
        keys.push_back(sortKey(locale, line));
    std::vector<size_t> order(lines.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    if (noDifferentLinesTie(lines, keys, order))
        return order;
    return insertedOneByOne(keys);
}
