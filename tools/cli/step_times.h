// Seconds spent in each step of a batch's files, summed over files.
#pragma once

namespace tovak::cli {

struct StepTimes {
  double read = 0, decode = 0, encode = 0, write = 0;
  void Add(const StepTimes& t) {
    read += t.read;
    decode += t.decode;
    encode += t.encode;
    write += t.write;
  }
};

}  // namespace tovak::cli
