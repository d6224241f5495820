#pragma once
// Writes the chunks of large output files on a thread of its own, so that the
// next chunk is inflated while the one before is written (and hashed). One
// serves a whole extraction run: a thread costs memory that a thread per file
// would make grow with the package.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// What writing one chunk means: to the file, and into its digest.
class ChunkSink {
  public:
    virtual void writeChunk(const unsigned char* bytes, uint32_t count) = 0;

  protected:
    ~ChunkSink() = default;
};

class ChunkWriter {
  public:
    ChunkWriter() = default;
    ~ChunkWriter() { stop(); }
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Starts the thread; when none can be had, every chunk is written by the
    // caller's thread.
    void start();
    // Hands a chunk on once the one before is written. Its bytes must stay as
    // they are until the next call, or until finish().
    void write(ChunkSink& sink, const unsigned char* bytes, uint32_t count);
    // Returns when every chunk handed on is written.
    void finish();

  private:
    void run();
    void stop();

    ChunkSink* sink_ = nullptr; // what the chunk waiting is for
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    const unsigned char* bytes_ = nullptr; // the chunk waiting or being written
    uint32_t count_ = 0;
    bool pending_ = false;
    bool stopping_ = false;
};
