#include "shell/stream_package.h"

#include "shell/stream_input.h"

namespace {

// The stream and the package that reads from it, freed together.
struct Held {
    explicit Held(IStream* stream, ULONGLONG deadline) : input(stream, deadline) {}
    IStreamInput input;
    std::unique_ptr<Package> package;
};

} // namespace

bool StreamPackage::stopped() const {
    return input && input->stopped();
}

StreamPackage readStreamPackage(IStream* stream, DWORD timeLimitMs) {
    StreamPackage read;
    auto held = std::make_shared<Held>(stream, GetTickCount64() + timeLimitMs);
    if (stream == nullptr || !held->input.sized()) {
        return read;
    }
    const ByteSource source = ByteSource::fromStream(held->input);
    unsigned char first = 0;
    if (source.readSome(0, &first, 1) != 1) {
        read.result = OpenResult::Empty;
        return read;
    }
    held->package = readPackage(source, WholeChecks::Skipped);
    read.input = std::shared_ptr<const IStreamInput>(held, &held->input);
    if (!held->package) {
        read.result = OpenResult::NotAPackage;
        return read;
    }
    read.result = OpenResult::Opened;
    read.package = std::shared_ptr<const Package>(held, held->package.get());
    return read;
}
