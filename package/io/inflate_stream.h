#pragma once
// The program's one inflate loop, for a Symbian OS 9 controller and for every
// stored file alike: a zlib stream (RFC 1950) read a chunk at a time from where
// the package keeps it, inflated into pieces handed on as they fill.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/io/byte_source.h"

// Receives what is inflated, piece by piece.
class InflateSink {
  public:
    // Takes `count` bytes; they stay untouched until the next call returns.
    // Returns false once it will take no more, which stops the loop.
    virtual bool take(const unsigned char* bytes, uint32_t count) = 0;

  protected:
    ~InflateSink() = default;
};

// Where the loop reads and inflates: one input chunk and two output pieces,
// used in turn so that one can still be written while the other fills.
struct InflateBuffers {
    unsigned char* input;
    uint32_t inputSize;
    unsigned char* output[2];
    uint32_t outputSize;
};

enum class InflateEnd {
    Finished, // the stream's end mark was reached
    Stopped,  // the sink took no more
    Broken,   // the data ran out, is corrupt, or asks for a dictionary
};

struct InflateResult {
    InflateEnd end = InflateEnd::Broken;
    uint64_t consumed = 0; // bytes of the stream used, up to where inflating stopped
};

// One zlib stream from start to end: made by start(), ended with the object.
class InflateStream {
  public:
    // `zlibChecksSum`: whether zlib checks the stream's closing Adler-32 itself;
    // when not, the caller checks it against its own sum of what it took.
    explicit InflateStream(bool zlibChecksSum);
    ~InflateStream();
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    // False when zlib cannot be had (it lacks memory).
    bool start();
    // Inflates `stored` into `sink`, the first `firstCount` bytes already in
    // the input chunk.
    InflateResult run(const ByteSource& stored, uint32_t firstCount, const InflateBuffers& buffers,
                      InflateSink& sink);
    // Ends the stream; false when zlib says it was left inconsistent.
    bool end();

  private:
    struct State;
    State* state_;
    bool zlibChecksSum_;
    bool started_ = false;
};

// Inflates the zlib stream in `stream` into exactly `expected` bytes held in
// `out`; a stream that ends early, runs longer, or is broken gives false.
bool inflateWhole(const ByteSource& stream, size_t expected, std::vector<unsigned char>* out);
