# The program's texts for code that runs without the resource script (the
# package details, the command-line tool): every entry of the string tables of
# the resource script, written as a C++ table. The script stays their one source.
function(vorandeck_string_table output)
    set(entries "")
    foreach(script ${ARGN})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script})
        file(STRINGS ${script} lines REGEX "^[ \t]*[0-9]+,[ \t]*\"")
        foreach(line ${lines})
            string(REGEX REPLACE "^[ \t]*([0-9]+),[ \t]*(.*)$" "    {\\1, \\2}," entry "${line}")
            string(APPEND entries "${entry}\n")
        endforeach()
    endforeach()
    file(CONFIGURE OUTPUT ${output} CONTENT [=[// Made by the build from the resource script's string tables; do not edit.
#include "common/string_table.h"

#include "common/version.h"

namespace {

struct Entry {
    int id;
    const char* text;
};

const Entry kEntries[] = {
@entries@};

} // namespace

const char* programText(int id) {
    for (const Entry& entry : kEntries) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return "";
}
]=] @ONLY)
endfunction()
