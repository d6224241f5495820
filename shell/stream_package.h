#pragma once
// A package read from the stream Explorer hands a handler, within a time limit
// and without the checksums over the whole package.
#include <windows.h>

#include <objidl.h>

#include <memory>

#include "package/opened_package.h"
#include "package/package.h"

// How long a handler reads a package before it shows what it has.
constexpr DWORD kReadTimeLimitMs = 1000;

class IStreamInput;

struct StreamPackage {
    OpenResult result = OpenResult::CannotOpen;
    // Opened: the package, which keeps the stream it reads from alive.
    std::shared_ptr<const Package> package;
    // Whether the time limit has cut reading short, so far: what is shown of
    // the package may read more of it.
    bool stopped() const;

    std::shared_ptr<const IStreamInput> input;
};

StreamPackage readStreamPackage(IStream* stream, DWORD timeLimitMs = kReadTimeLimitMs);
