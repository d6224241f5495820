#pragma once
// The order a sorted list box gives its lines, found in one sort instead of the
// list box's search of every line it already holds for each line added.
#include <windows.h>

#include <string>
#include <vector>

// Puts `lines` in the order that adding them one by one to a list box of style
// LBS_SORT, whose comparisons use `locale`, would give. Returns false, and
// leaves `lines` as they were, when two different lines compare equal: where the
// list box puts such a pair depends on its own search, so those are left to it.
bool orderAsSortedList(LCID locale, std::vector<std::wstring>& lines);
