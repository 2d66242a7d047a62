// A fuzzer's input as a file of its own, for readers that take a path: an anonymous file in
// memory, named through /proc/self/fd. Each object is a new file with an identity of its own.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size) : descriptor_(memfd_create("fuzz-input", 0))
    {
        if (descriptor_ < 0) return;
        for (std::size_t written = 0; written < size;) {
            const ssize_t done = write(descriptor_, data + written, size - written);
            if (done <= 0) return;
            written += static_cast<std::size_t>(done);
        }
        path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    }
    ~InputFile()
    {
        if (descriptor_ >= 0) close(descriptor_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Empty when the file could not be written.
    const std::string& Path() const { return path_; }
    std::u16string WidePath() const { return std::u16string(path_.begin(), path_.end()); }

private:
    int descriptor_;
    std::string path_;
};
