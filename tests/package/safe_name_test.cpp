#include <gtest/gtest.h>

#include "package/extract/safe_name.h"

// Every install name the extraction must refuse or accept, in one table.
TEST(SafeInstallName, EveryCase) {
    struct Case {
        const char* name;
        bool safe;
        const char* why;
    };
    const Case cases[] = {
        {"!:\\System\\Apps\\Demo\\demo.app", true, "ordinary install name"},
        {"C:\\system\\libs\\sets.py", true, "drive letter is dropped"},
        {"\\demo.sis", true, "component cut at its backslash"},
        {"demo.sis", true, "no folder at all"},
        {"", true, "empty name (fails later as a folder)"},
        {"!:\\System\\Apps\\Bombs\\", true, "folder name ending in a backslash"},
        {"a\\\\b.txt", true, "doubled separator inside the name"},
        {"a/b/c.txt", true, "slashes as separators"},
        {"...txt", true, "dots with other characters"},
        {"a..b\\c", true, "two dots inside an element"},
        {".hidden", true, "leading dot with a name"},
        {"console.txt", true, "starts like a device name"},
        {"CONX", true, "longer than a device name"},
        {"COM0", true, "COM0 is no device"},
        {"COM10.txt", true, "COM10 is no device"},
        {"LPT", true, "LPT without digit"},
        {"NULL", true, "NULL is no device"},
        {"auxiliary\\x", true, "starts like AUX"},
        {"caf\xC3\xA9\\\xE6\x97\xA5\xE6\x9C\xAC.txt", true, "non-ASCII elements"},

        {"..\\x.txt", false, "climbs out at the start"},
        {"!:\\..\\x.txt", false, "climbs out after the drive"},
        {"C:..\\x.txt", false, "climbs out right behind the drive"},
        {"a\\..\\..\\x.txt", false, "climbs out in the middle"},
        {"a/../../x.txt", false, "climbs out with slashes"},
        {"a\\..", false, "ends in .."},
        {"..", false, ".. alone"},
        {".", false, "a lone dot"},
        {"a\\.\\b", false, "a dot element"},
        {"...", false, "only dots (Windows drops trailing dots)"},
        {"a\\. .\\b", false, "dots and blanks"},
        {"a\\ \\b", false, "a blank element"},
        {"\\\\server\\share\\x.txt", false, "UNC path"},
        {"C:\\\\server\\share\\x", false, "UNC path behind a drive"},
        {"//server/share/x.txt", false, "UNC path with slashes"},
        {"\\/server/x", false, "mixed leading separators"},
        {"\\\\?\\C:\\x.txt", false, "device namespace"},
        {"\\\\.\\PhysicalDrive0", false, "device path"},
        {"!:\\dir\\file.txt:stream", false, "alternate data stream"},
        {"C::x", false, "colon left after the drive"},
        {"ab:c\\d", false, "colon in the first element"},
        {"x:y\\z", true, "a drive of any letter is dropped"},
        {"CON", false, "console"},
        {"con.txt", false, "device with an extension"},
        {"Con.tar.gz", false, "device with two extensions"},
        {"a\\Nul\\b.txt", false, "device as a folder"},
        {"!:\\System\\PRN", false, "printer"},
        {"aux .txt", false, "device with blanks before the extension"},
        {"COM1", false, "COM1"},
        {"com9.log", false, "COM9 with extension"},
        {"LPT1", false, "LPT1"},
        {"lpt9\\x", false, "LPT9 as a folder"},
        {"COM\xC2\xB9", false, "COM with superscript one"},
        {"LPT\xC2\xB3.txt", false, "LPT with superscript three"},
        {"CONIN$", false, "console input"},
        {"conout$.txt", false, "console output"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSafeInstallName(c.name), c.safe) << "\"" << c.name << "\": " << c.why;
    }
    EXPECT_FALSE(isSafeInstallName(nullptr));
}
