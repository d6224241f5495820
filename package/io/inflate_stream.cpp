#include "package/io/inflate_stream.h"

#include <cstring>
#include <new>

#include <zlib.h>

namespace {

constexpr uint32_t kWholePiece = 16 * 1024;

// Keeps what is inflated, up to the size expected.
struct WholeSink : InflateSink {
    std::vector<unsigned char>& out;
    size_t expected;
    bool overran = false;

    WholeSink(std::vector<unsigned char>& o, size_t e) : out(o), expected(e) {}
    bool take(const unsigned char* bytes, uint32_t count) override {
        if (count > expected - out.size()) {
            overran = true;
            return false;
        }
        out.insert(out.end(), bytes, bytes + count);
        return true;
    }
};

} // namespace

struct InflateStream::State {
    z_stream stream;
};

InflateStream::InflateStream(bool zlibChecksSum)
    : state_(new (std::nothrow) State), zlibChecksSum_(zlibChecksSum) {}

InflateStream::~InflateStream() {
    end();
    delete state_;
}

bool InflateStream::start() {
    if (state_ == nullptr) {
        return false;
    }
    std::memset(&state_->stream, 0, sizeof state_->stream);
    if (inflateInit(&state_->stream) != Z_OK) {
        return false;
    }
    started_ = true;
    if (!zlibChecksSum_) {
        // zlib still reads the header and the closing check, but leaves the
        // sum to the caller, which takes it faster.
        inflateValidate(&state_->stream, 0);
    }
    return true;
}

bool InflateStream::end() {
    if (!started_) {
        return true;
    }
    started_ = false;
    return inflateEnd(&state_->stream) == Z_OK;
}

InflateResult InflateStream::run(const ByteSource& stored, uint32_t firstCount,
                                 const InflateBuffers& buffers, InflateSink& sink) {
    z_stream& stream = state_->stream;
    uint64_t position = firstCount;
    if (firstCount == 0) {
        position = stored.readSome(0, buffers.input, buffers.inputSize);
    }
    int filling = 0;
    stream.next_in = buffers.input;
    stream.avail_in = static_cast<uInt>(position);
    stream.next_out = buffers.output[filling];
    stream.avail_out = buffers.outputSize;
    bool taking = true;
    // Z_SYNC_FLUSH hands on what can be inflated as soon as it can; a stream
    // that runs out of input stops with Z_BUF_ERROR and is broken.
    int status = inflate(&stream, Z_SYNC_FLUSH);
    while (status == Z_OK && taking) {
        if (stream.avail_in == 0) {
            const size_t got = stored.readSome(position, buffers.input, buffers.inputSize);
            position += got;
            stream.next_in = buffers.input;
            stream.avail_in = static_cast<uInt>(got);
        }
        if (stream.avail_out == 0) {
            taking = sink.take(buffers.output[filling], buffers.outputSize);
            filling ^= 1;
            stream.next_out = buffers.output[filling];
            stream.avail_out = buffers.outputSize;
        }
        status = inflate(&stream, Z_SYNC_FLUSH);
    }
    // What was inflated is handed on, whatever ended the stream.
    if (taking) {
        taking = sink.take(buffers.output[filling], buffers.outputSize - stream.avail_out);
    }
    InflateResult result;
    result.consumed = position - stream.avail_in;
    result.end = status == Z_STREAM_END ? InflateEnd::Finished
                 : !taking              ? InflateEnd::Stopped
                                        : InflateEnd::Broken;
    return result;
}

bool inflateWhole(const ByteSource& stream, size_t expected, std::vector<unsigned char>* out) {
    out->clear();
    out->reserve(expected);
    std::vector<unsigned char> buffers(3 * kWholePiece);
    InflateStream inflater(true);
    if (!inflater.start()) {
        return false;
    }
    const InflateBuffers pieces{buffers.data(),
                                kWholePiece,
                                {buffers.data() + kWholePiece, buffers.data() + 2 * kWholePiece},
                                kWholePiece};
    WholeSink sink(*out, expected);
    const InflateResult result = inflater.run(stream, 0, pieces, sink);
    return inflater.end() && result.end == InflateEnd::Finished && !sink.overran &&
           out->size() == expected;
}
