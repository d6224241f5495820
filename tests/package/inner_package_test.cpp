// Packages inside packages: each opens from its line as it would from a file of
// its own, goes as deep as the model allows, and what cannot be opened says why.
#include "package/details/details.h"
#include "package/inner_package_image.h"
#include "tests/package/package_fixture.h"
#include "tests/support/real_packages.h"
#include "tests/support/sisx_builder.h"

namespace {

// Each file of the open package as "name=content", or "name=<broken>".
std::vector<std::string> restored(const Package& package) {
    std::vector<std::string> out;
    for (const PackageFile& file : allFiles(package.source, package.contents)) {
        const StoredData data = storedDataOf(package, file);
        std::vector<unsigned char> bytes;
        const bool whole = restoreStored(data, static_cast<size_t>(data.originalLength), &bytes);
        out.push_back(package.contents.extractionName(file) + "=" +
                      (whole ? std::string(bytes.begin(), bytes.end()) : "<broken>"));
    }
    return out;
}

sis::Package olderPackage(bool release5, std::vector<sis::Record> records) {
    sis::Package package;
    package.release5 = release5;
    package.records = std::move(records);
    return package;
}

// `inner` as the component of a package that also installs a file before it.
sis::Package holding(const sis::Package& inner, bool release5) {
    return olderPackage(release5, {sis::simpleFile(0, "a", "C:\\a.txt", sis::textBytes("a")),
                                   sis::simpleFile(2, "D:\\tmp\\inner.sis", "C:\\inner.sis",
                                                   sis::build(inner).bytes)});
}

sisxbuild::Package sisxPackage(const std::string& name, const std::string& target) {
    sisxbuild::Package package;
    package.names = {name};
    sisxbuild::File file;
    file.target = target;
    file.content = sis::textBytes(name + " content");
    package.block.files.push_back(file);
    return package;
}

// Packages each embedded in the one before, `depth` below the top.
sisxbuild::Package sisxChain(int depth) {
    sisxbuild::Package top = sisxPackage("Top", "!:\\top.txt");
    sisxbuild::Package* at = &top;
    for (int level = 1; level <= depth; ++level) {
        at->block.embedded.push_back(sisxPackage("Level " + std::to_string(level),
                                                 "!:\\level" + std::to_string(level) + ".txt"));
        at = &at->block.embedded.back();
    }
    return top;
}

sisxbuild::Sisx sisxOf(sisxbuild::Package top) {
    sisxbuild::Sisx description;
    description.package = std::move(top);
    return description;
}

sis::Package olderChain(int depth) {
    sis::Package package =
        olderPackage(false, {sis::simpleFile(0, "x", "C:\\deepest.txt", sis::textBytes("x"))});
    for (int level = 0; level < depth; ++level) {
        package = holding(package, false);
    }
    return package;
}

// The line of the first component of the open package.
uint32_t firstComponent(const FileFunctions& files) {
    const std::vector<PackageEntry>& entries = files.package->contents.entries;
    for (uint32_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == FileComponent) {
            return i;
        }
    }
    return UINT32_MAX;
}

// The details' Signatures section as text: each chain's verdict and certificates.
std::string signaturesOf(const Package& package) {
    std::string text;
    for (const DetailSection& section : describePackage(package, 1700000000).sections) {
        if (section.heading != "Signatures") {
            continue;
        }
        for (const DetailLine& line : section.lines) {
            text += line.label + ": " + line.value + "\n";
        }
    }
    return text;
}

// Saves every package inside the one open in `files`, at any depth, and opens
// the saved bytes alone: they must read as the package did opened in its place.
// Returns how many were saved; `valid` counts the signatures that verify.
int expectSavedReadAsInside(FileFunctions& files, int* valid) {
    int saved = 0;
    for (uint32_t entry = 0; entry < files.package->contents.entries.size(); ++entry) {
        if (!namesInnerPackage(*files.package, entry)) {
            continue;
        }
        SCOPED_TRACE("line " + std::to_string(entry));
        const InnerPackageImage image = innerPackageImage(*files.package, entry);
        FileFunctions alone;
        EXPECT_EQ(image.result, InnerResult::Opened);
        if (files.openInner(entry) != InnerResult::Opened ||
            alone.openMemory(image.bytes.data(), image.bytes.size()) != OpenResult::Opened) {
            ADD_FAILURE() << "not opened";
            continue;
        }
        const Package& inside = *files.package;
        const Package& own = *alone.package;
        EXPECT_EQ(listedOf(own).lines, listedOf(inside).lines);
        EXPECT_EQ(restored(own), restored(inside));
        const std::string signatures = signaturesOf(inside);
        EXPECT_EQ(signaturesOf(own), signatures);
        for (size_t at = 0; (at = signatures.find("signature: valid", at)) != std::string::npos;
             ++at) {
            ++*valid;
        }
        if (const SisxPackage* sisx = own.sisx.get(); sisx && !sisx->isStub()) {
            EXPECT_EQ(sisx->summary().storedControllerChecksum,
                      sisx->summary().computedControllerChecksum);
            EXPECT_EQ(sisx->summary().storedDataChecksum, sisx->summary().computedDataChecksum);
        }
        saved += 1 + expectSavedReadAsInside(files, valid);
        files.closeInner();
    }
    return saved;
}

} // namespace

TEST(InnerPackage, SavedOnItsOwnReadsAsOpenedInside) {
    const sis::Bytes nothing;
    const struct {
        const char* what;
        const char* shared; // a shared package, or "" for `bytes`
        sis::Bytes bytes;
        int inside; // packages inside, saved from every package that shows them
        int valid;  // of their signatures, those that verify
    } cases[] = {
        {"Symbian OS 9, two deep", "", sisxbuild::build(sisxOf(sisxChain(2))).bytes, 3, 0},
        {"a stub's, two deep", "", sisxbuild::build(sisxOf(sisxChain(2))).controller, 3, 0},
        {"the older format, two deep", "", sis::build(olderChain(2)).bytes, 2, 0},
        {"", "real/skyexplorer-skyexplorer.sis", nothing, 1, 0},
        {"", "real/skyexplorer-skyexplorer_2ndEd_1.0.3.sis", nothing, 1, 0},
        {"", "real/ybrowser-Y_Browser_077_0_AddOns_2NdEd.SIS", nothing, 2, 0},
        {"", "sisx/appinstall-teststartlistembedded_1.sis", nothing, 1, 1},
        {"", "sisx/appinstall-teststartlistembedded_2.sis", nothing, 1, 1},
        {"", "sisx/appinstall-ocsprevocation.sis", nothing, 1, 1},
        {"", "sisx/appinstall-CertWithUnicodeSubjectLine.sis", nothing, 4, 8},
    };
    const std::string shared = testsupport::sharedPackageFolder("");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + c.shared);
        if (*c.shared != '\0' && shared.empty()) {
            continue;
        }
        const sis::Bytes bytes = *c.shared ? readAll(pathOfUtf8(shared) / c.shared) : c.bytes;
        FileFunctions files;
        ASSERT_EQ(files.openMemory(bytes.data(), bytes.size()), OpenResult::Opened);
        int valid = 0;
        EXPECT_EQ(expectSavedReadAsInside(files, &valid), c.inside);
        EXPECT_EQ(valid, c.valid);
    }
    if (shared.empty()) {
        GTEST_SKIP() << "the shared packages are absent (" << VORANDECK_TESTDATA << ")";
    }
}

TEST(InnerPackage, OpensAsTheSamePackageOnItsOwn) {
    const sis::Package olderInner =
        olderPackage(false, {sis::simpleFile(0, "p", "C:\\p.txt", sis::textBytes("inner p")),
                             sis::multiFile(0, "l", "C:\\l.rsc", {sis::textBytes("l1")})});
    const sis::Package release5Inner =
        olderPackage(true, {sis::simpleFile(0, "r", "C:\\r.txt", sis::textBytes("r5"))});
    const sisxbuild::Sisx sisxOuter = sisxOf(sisxChain(2));
    const sisxbuild::Sisx sisxAlone = sisxOf(sisxChain(2).block.embedded[0]);
    const struct {
        const char* what;
        sis::Bytes outer;
        sis::Bytes alone;
        uint32_t entry;
    } cases[] = {
        {"an older component, inflated", sis::build(holding(olderInner, false)).bytes,
         sis::build(olderInner).bytes, 1},
        {"a Release 5 component, stored as it is", sis::build(holding(release5Inner, true)).bytes,
         sis::build(release5Inner).bytes, 1},
        {"an embedded Symbian OS 9 package, data in the outer package's next unit",
         sisxbuild::build(sisxOuter).bytes, sisxbuild::build(sisxAlone).bytes, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileFunctions alone;
        ASSERT_EQ(alone.openMemory(c.alone.data(), c.alone.size()), OpenResult::Opened);
        FileFunctions files;
        ASSERT_EQ(files.openMemory(c.outer.data(), c.outer.size()), OpenResult::Opened);
        const Listed outerListed = listedOf(*files.package);

        ASSERT_EQ(files.openInner(c.entry), InnerResult::Opened);
        EXPECT_EQ(files.package->kind, alone.package->kind);
        EXPECT_EQ(listedOf(*files.package).lines, listedOf(*alone.package).lines);
        EXPECT_EQ(restored(*files.package), restored(*alone.package));
        EXPECT_EQ(files.package->contents.languages, alone.package->contents.languages);
        EXPECT_EQ(files.innerChain(), std::vector<uint32_t>{c.entry});

        ASSERT_TRUE(files.closeInner());
        EXPECT_EQ(listedOf(*files.package).lines, outerListed.lines);
        EXPECT_FALSE(files.closeInner());
        EXPECT_TRUE(files.innerChain().empty());
    }
}

TEST(InnerPackage, WhatCannotBeOpenedSaysWhy) {
    sis::Record tooLarge = sis::simpleFile(2, "big.sis", "C:\\big.sis", sis::textBytes("x"));
    tooLarge.variants[0].originalLength = static_cast<uint32_t>(kMaxInnerPackageSize + 1);
    sis::Record broken = sis::simpleFile(2, "broken.sis", "C:\\b.sis", sis::textBytes("x"));
    broken.variants[0].stored = sis::textBytes("not a zlib stream");
    const struct {
        const char* what;
        sis::Package outer;
        uint32_t entry;
        InnerResult expected;
    } cases[] = {
        {"a component that is no package",
         olderPackage(false, {sis::simpleFile(2, "t.sis", "C:\\t.sis", sis::textBytes("text"))}), 0,
         InnerResult::NotAPackage},
        {"a component declared past the limit", olderPackage(false, {tooLarge}), 0,
         InnerResult::TooLarge},
        {"a component whose data does not inflate", olderPackage(false, {broken}), 0,
         InnerResult::Unreadable},
        {"a file that is no component", holding(olderPackage(false, {}), false), 0,
         InnerResult::NoPackage},
        {"a line past the end", holding(olderPackage(false, {}), false), 2, InnerResult::NoPackage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OpenPackage opened(c.outer);
        const Package* outer = opened.files.package.get();
        EXPECT_EQ(innerPackageImage(*outer, c.entry).result, c.expected) << "saved";
        EXPECT_EQ(opened.files.openInner(c.entry), c.expected);
        EXPECT_EQ(opened.files.package.get(), outer) << "the outer package stays open";
        EXPECT_TRUE(opened.files.enclosing.empty());
    }
}

TEST(InnerPackage, OpensAsDeepAsTheModelAllows) {
    const sis::Bytes older = sis::build(olderChain(kMaxInnerDepth + 1)).bytes;
    const sis::Bytes embedded = sisxbuild::build(sisxOf(sisxChain(kMaxInnerDepth))).bytes;
    for (const sis::Bytes* bytes : {&older, &embedded}) {
        FileFunctions files;
        ASSERT_EQ(files.openMemory(bytes->data(), bytes->size()), OpenResult::Opened);
        const Package* top = files.package.get();
        for (size_t level = 1; level <= kMaxInnerDepth; ++level) {
            ASSERT_EQ(files.openInner(firstComponent(files)), InnerResult::Opened) << level;
        }
        EXPECT_EQ(files.enclosing.size(), kMaxInnerDepth);
        const InnerResult deeper = files.openInner(firstComponent(files));
        EXPECT_EQ(deeper, bytes == &older ? InnerResult::TooDeep : InnerResult::NoPackage);
        while (files.closeInner()) {
        }
        EXPECT_EQ(files.package.get(), top);
    }
}

TEST(InnerPackage, AnEmbeddedPackageWhoseDataPassesTheLimitIsTooLargeToSave) {
    sisxbuild::Sisx description = sisxOf(sisxChain(1));
    description.zeroTail = kMaxInnerPackageSize; // in the last unit, the embedded package's
    TempDir dir;
    const fs::path path = dir.path() / "large.sis";
    ASSERT_TRUE(sisxbuild::writeFile(path, sisxbuild::build(description)));
    FileFunctions files;
    ASSERT_EQ(files.OpenSISFile(utf8Of(path)), OpenResult::Opened);
    EXPECT_EQ(files.package->contents.entries[1].kind, FileComponent);
    EXPECT_EQ(innerPackageImage(*files.package, 1).result, InnerResult::TooLarge);
}
