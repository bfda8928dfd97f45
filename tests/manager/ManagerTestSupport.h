// Helpers for the manager's tests: a fixture that restores the settings of
// the one shared manager, and a capture of standard output.
#ifndef VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_
#define VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorManager.h"

class ManagerTest : public ::testing::Test {
  protected:
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    void TearDown() override {
        manager.setSendMode(2);
        manager.setApplicationId(0);
        manager.setMyNodeId(0);
        manager.setTimeStampCallback(nullptr);
        manager.setMessageManagerCallback(nullptr);
    }
};

// Points the standard output descriptor at a temporary file until finish().
// Single-threaded use only.
class StdoutCapture {
  public:
    StdoutCapture() : file_(std::tmpfile()), saved_(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        ::dup2(::fileno(file_), STDOUT_FILENO);
    }
    ~StdoutCapture() { finish(); }
    long bytesSoFar() const {
        struct stat status;
        return file_ != nullptr && ::fstat(::fileno(file_), &status) == 0 ? status.st_size : -1;
    }
    std::string finish() {
        if (file_ == nullptr) return text_;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text_ += static_cast<char>(c);
        std::fclose(file_);
        file_ = nullptr;
        return text_;
    }

  private:
    FILE* file_;
    int saved_;
    std::string text_;
};

#endif  // VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_
