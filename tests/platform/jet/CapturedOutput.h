#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace jet_tests {

// Sends this process's stdout and stderr into a file while it lives, to prove nothing was printed.
class CapturedOutput {
  public:
    CapturedOutput() {
        std::fflush(stdout);
        std::fflush(stderr);
        char pattern[] = "/tmp/calvenor-captured-XXXXXX";
        file_ = ::mkstemp(pattern);
        path_ = pattern;
        savedOut_ = ::dup(1);
        savedErr_ = ::dup(2);
        ::dup2(file_, 1);
        ::dup2(file_, 2);
    }
    ~CapturedOutput() {
        restore();
        ::close(file_);
        ::unlink(path_.c_str());
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    // Everything printed so far; stops the capture.
    std::string text() {
        restore();
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    void restore() {
        if (savedOut_ < 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(savedOut_, 1);
        ::dup2(savedErr_, 2);
        ::close(savedOut_);
        ::close(savedErr_);
        savedOut_ = savedErr_ = -1;
    }

    int file_ = -1, savedOut_ = -1, savedErr_ = -1;
    std::string path_;
};

}  // namespace jet_tests
