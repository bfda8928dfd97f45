// Redirects standard output (the descriptor, so every writer is caught) into
// a temporary file for the lifetime of the object. Not thread-safe: create
// and finish it on one thread while no other thread starts or ends a capture.
#ifndef VKERRORHANDLING_TESTS_MANAGER_STDOUTCAPTURE_H_
#define VKERRORHANDLING_TESTS_MANAGER_STDOUTCAPTURE_H_

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

class StdoutCapture {
  public:
    StdoutCapture() : file_(std::tmpfile()), saved_(-1) {
        std::fflush(stdout);
        if (file_ == nullptr) return;
        saved_ = ::dup(STDOUT_FILENO);
        ::dup2(::fileno(file_), STDOUT_FILENO);
    }
    ~StdoutCapture() { finish(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Bytes written so far (standard output must be flushed by the writer).
    long writtenSoFar() const {
        struct stat status;
        return file_ != nullptr && ::fstat(::fileno(file_), &status) == 0 ? static_cast<long>(status.st_size)
                                                                          : -1;
    }

    // Restores standard output and returns everything written meanwhile.
    std::string finish() {
        if (file_ == nullptr) return text_;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        std::rewind(file_);
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file_)) > 0) text_.append(chunk, n);
        std::fclose(file_);
        file_ = nullptr;
        return text_;
    }

  private:
    FILE* file_;
    int saved_;
    std::string text_;
};

#endif  // VKERRORHANDLING_TESTS_MANAGER_STDOUTCAPTURE_H_
