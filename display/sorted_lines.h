#pragma once
// The order a sorted list box gives its lines, found in one sort instead of the
// list box's search of every line it already holds for each line added.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The order in which a list box of style LBS_SORT, whose comparisons use
// `locale`, shows `lines` added to it one by one: the indexes into `lines`,
// the one shown first first.
std::vector<size_t> sortedListOrder(LCID locale, const std::vector<std::wstring>& lines);
