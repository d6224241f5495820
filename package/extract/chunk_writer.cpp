#include "package/extract/chunk_writer.h"

#include <system_error>

void ChunkWriter::start() {
    try {
        thread_ = std::thread(&ChunkWriter::run, this);
    } catch (const std::system_error&) {
        // No thread: write() then writes on the caller's thread.
    }
}

void ChunkWriter::write(ChunkSink& sink, const unsigned char* bytes, uint32_t count) {
    if (!thread_.joinable()) {
        sink.writeChunk(bytes, count);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    sink_ = &sink;
    bytes_ = bytes;
    count_ = count;
    pending_ = true;
    changed_.notify_all();
}

void ChunkWriter::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
}

void ChunkWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_)
            return;
        ChunkSink* sink = sink_;
        const unsigned char* bytes = bytes_;
        const uint32_t count = count_;
        lock.unlock();
        sink->writeChunk(bytes, count);
        lock.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

void ChunkWriter::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    thread_.join();
}
