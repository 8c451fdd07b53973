// Collects what the code under test writes to standard output while it lives.
#pragma once

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace glhelpers_test {

// Swaps std::cout's stream buffer: sees the text, but not whether it was
// flushed.
class StdoutCapture {
 public:
  StdoutCapture() : previous_(std::cout.rdbuf(captured_.rdbuf())) {}
  ~StdoutCapture() { std::cout.rdbuf(previous_); }
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  std::string Text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* previous_;
};

// Points file descriptor 1 at a temporary file: FlushedText() shows only what
// has left the process's stream buffers, and Close()/Reopen() take standard
// output away and give it back.
class StdoutFileCapture {
 public:
  StdoutFileCapture() : file_(std::tmpfile()) {
    std::fflush(stdout);  // earlier output stays where it was going
    saved_ = dup(1);
    Reopen();
  }
  ~StdoutFileCapture() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
    std::fclose(file_);
  }
  StdoutFileCapture(const StdoutFileCapture&) = delete;
  StdoutFileCapture& operator=(const StdoutFileCapture&) = delete;

  bool Ready() const { return file_ && saved_ >= 0; }
  void Close() { close(1); }
  void Reopen() {
    if (file_) dup2(fileno(file_), 1);
  }

  // Reads the file through its own descriptor, without flushing anything.
  std::string FlushedText() const {
    std::string text;
    const int fd = dup(fileno(file_));
    lseek(fd, 0, SEEK_SET);
    char chunk[256];
    for (int n; (n = static_cast<int>(read(fd, chunk, sizeof chunk))) > 0;) text.append(chunk, n);
    close(fd);
    return text;
  }

 private:
  std::FILE* file_;
  int saved_ = -1;
};

}  // namespace glhelpers_test
