// Collects what the code under test writes to std::cout while it lives.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace glhelpers_test {

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

}  // namespace glhelpers_test
