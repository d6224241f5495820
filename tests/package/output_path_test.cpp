// Output paths: composed below the destination, judged whole, never cut.
#include <cstring>
#include <fstream>

#include "common/paths.h"
#include "common/string_ids.h"
#include "package/extract/output_path.h"
#include "tests/package/package_fixture.h"

namespace {

std::string repeat(char c, size_t count) {
    return std::string(count, c);
}

std::string repeatText(const std::string& text, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += text;
    }
    return out;
}

} // namespace

TEST(OutputPath, ComposedBelowTheBaseOrRefused) {
    const std::string base = "C:\\out";
    const std::string longBase = "C:\\" + repeat('d', 240); // 243 bytes
    struct Case {
        const char* what;
        std::string base;
        std::string name;
        const char* package;
        OutputPath result;
        std::string path;
    };
    const Case cases[] = {
        {"install path with a drive", base, "!:\\sys\\bin\\a.exe", "", OutputPath::Composed,
         "C:\\out\\sys\\bin\\a.exe"},
        {"neither drive nor leading separator starts a new element", base, "sibling\\x.txt", "",
         OutputPath::Composed, "C:\\out\\sibling\\x.txt"},
        {"drive and no separator", base, "!:x.txt", "", OutputPath::Composed, "C:\\out\\x.txt"},
        {"a drive root as the base", "D:", "\\a\\b.txt", "", OutputPath::Composed, "D:\\a\\b.txt"},
        {"runs of separators fold", base, "\\\\a//\\b.txt", "", OutputPath::Composed,
         "C:\\out\\a\\b.txt"},
        {"a name ending in a separator names a folder", base, "\\a\\", "", OutputPath::Unsafe, ""},
        {"the empty name", base, "", "", OutputPath::Unsafe, ""},
        {"a climbing element", base, "\\a\\..\\..\\b", "", OutputPath::Unsafe, ""},
        {"a device below the base", base, "\\a\\nul.txt", "", OutputPath::Unsafe, ""},
        {"the package itself, by another spelling", "C:\\Pkgs", "\\Demo.SIS", "c:/pkgs/demo.sis",
         OutputPath::IsPackage, ""},
        {"beside the package is fine", "C:\\Pkgs", "\\demo.sis2", "C:\\Pkgs\\demo.sis",
         OutputPath::Composed, "C:\\Pkgs\\demo.sis2"},
        {"exactly 259 bytes", longBase, "\\" + repeat('n', 15), "", OutputPath::Composed,
         longBase + "\\" + repeat('n', 15)},
        {"260 bytes", longBase, "\\" + repeat('n', 16), "", OutputPath::TooLong, ""},
        {"a cut would end in a device name", longBase, "\\sys\\COM1" + repeat('x', 20) + ".txt", "",
         OutputPath::TooLong, ""},
        {"counted in UTF-16 units, not in bytes", "C:\\" + repeatText("\xe6\x97\xa5", 110),
         "\\a.txt", "", OutputPath::Composed, "C:\\" + repeatText("\xe6\x97\xa5", 110) + "\\a.txt"},
        {"four bytes of UTF-8 are two units", "C:\\" + repeatText("\xf0\x9f\x98\x80", 128), "\\a",
         "", OutputPath::TooLong, ""},
        {"a base that alone is too long", "C:\\" + repeat('d', 257), "a", "", OutputPath::TooLong,
         ""},
    };
    for (const Case& c : cases) {
        char out[kPathSize];
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(composeOutputPath(c.base.c_str(), c.name.c_str(), c.package, out), c.result)
            << c.what;
        EXPECT_EQ(std::string(out), c.path) << c.what;
    }
}

TEST(OutputPath, ExtractionStaysInsideTheDestinationWhateverItsLength) {
    struct Case {
        const char* what;
        uint32_t defaultDest;
        std::string name;
        bool written;
    };
    // The base of each case below: the "out" folder for 501 and 502, the
    // package's folder for 500.
    const Case cases[] = {
        {"no leading separator, next to the package", 500, "sibling\\x.txt", true},
        {"no leading separator, asked for", 501, "sibling\\x.txt", true},
        {"no leading separator, fixed folder", 502, "sibling\\x.txt", true},
        {"a name that would replace the package", 500, "\\test.sis", false},
    };
    for (const Case& c : cases) {
        sis::Package package;
        package.records = {sis::simpleFile(0, "s", c.name, sis::textBytes("data"))};
        OpenPackage opened(package);
        const sis::Bytes before = opened.built.bytes;
        RecordingHost host;
        const fs::path out = opened.dir.path() / "out";
        fs::create_directory(out);
        host.useFolder(utf8Of(out));
        host.settings.defaultDest = c.defaultDest;
        host.folders = {utf8Of(out)};
        host.extract(opened.files);
        const fs::path base = c.defaultDest == 500 ? opened.dir.path() : out;
        EXPECT_EQ(host.messages.empty(), c.written) << c.what;
        if (c.written) {
            EXPECT_TRUE(fs::is_regular_file(base / "sibling" / "x.txt")) << c.what;
        } else {
            EXPECT_EQ(host.messages, std::vector<RecordedMessage>{extractError(IdsCreateError)})
                << c.what;
        }
        std::vector<std::string> expected = {"test.sis"};
        if (c.written) {
            expected.insert(expected.begin(),
                            c.defaultDest == 500 ? "sibling/x.txt" : "out/sibling/x.txt");
        }
        EXPECT_EQ(opened.dir.files(), expected) << c.what << ": nothing lands beside the base";
        EXPECT_FALSE(fs::exists(opened.dir.path().parent_path() /
                                (opened.dir.path().filename().string() + "sibling")))
            << c.what;
        opened.files.closePackage();
        sis::Bytes after(before.size());
        std::ifstream file(opened.packagePath, std::ios::binary);
        file.read(reinterpret_cast<char*>(after.data()),
                  static_cast<std::streamsize>(after.size()));
        EXPECT_EQ(after, before) << c.what << ": the package is never replaced";
    }
}

TEST(OutputPath, LongPathsAreRefusedWholeNeverCut) {
    TempDir dir;
    // A base of 220 bytes, which leaves 39 for "\name".
    const size_t baseLength = 220;
    const size_t dirLength = utf8Of(dir.path()).size();
    ASSERT_LT(dirLength + 1, baseLength) << "the temporary folder's path is too long here";
    const fs::path base = dir.path() / repeat('b', baseLength - dirLength - 1);
    fs::create_directory(base);
    const size_t room = kPathUnits - baseLength; // units of "\name" that still fit
    const std::string fits = repeat('f', room - 1);
    const std::string oneTooMany = repeat('g', room);
    const std::string longA = repeat('h', room + 5) + "A";
    const std::string longB = repeat('h', room + 5) + "B";

    sis::Package package;
    package.records = {sis::simpleFile(0, "s", "\\" + fits, sis::textBytes("259")),
                       sis::simpleFile(0, "s", "\\" + oneTooMany, sis::textBytes("260")),
                       sis::simpleFile(0, "s", "\\" + longA, sis::textBytes("A")),
                       sis::simpleFile(0, "s", "\\" + longB, sis::textBytes("B"))};
    OpenPackage opened(package);
    RecordingHost host;
    host.useFolder(utf8Of(base));
    host.extract(opened.files);
    EXPECT_EQ(host.messages, std::vector<RecordedMessage>(3, extractError(IdsCreateError)));
    EXPECT_EQ(TempDir::filesBelow(base), std::vector<std::string>{fits})
        << "the path of 259 bytes is written, no other and no cut one";
}

TEST(OutputPath, APackageFolderTooLongForAnyFileWritesNothing) {
    TempDir dir;
    const size_t length = utf8Of(dir.path()).size() + 1;
    ASSERT_LT(length, 257u);
    const fs::path folder = dir.path() / repeat('p', 257 - length);
    std::error_code error;
    fs::create_directory(folder, error);
    if (error) {
        GTEST_SKIP() << "this system cannot make a folder of 257 bytes";
    }
    sis::Package package;
    package.records = {sis::simpleFile(0, "s", "x.txt", sis::textBytes("x"))};
    const sis::Built built = sis::build(package);
    ASSERT_TRUE(sis::writeFile(folder / "p.sis", built.bytes));
    FileFunctions files;
    files.openMemory(built.bytes.data(), built.bytes.size(), utf8Of(folder / "p.sis"));
    RecordingHost host;
    host.settings.defaultDest = 500;
    host.extract(files);
    EXPECT_EQ(host.messages, std::vector<RecordedMessage>{extractError(IdsCreateError)});
    EXPECT_EQ(TempDir::filesBelow(dir.path()),
              std::vector<std::string>{std::string(257 - length, 'p') + "/p.sis"});
}
