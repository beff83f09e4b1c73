#pragma once
// Progress of a long sequence ("Reading Settings", "Writing to Unit", ...):
// the desktop program shows its progress window, the command line prints to
// stderr, tests record or ignore it.

#include <string_view>

namespace kvx {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A new pass with the caption of its window, positions 0..maximum.
  virtual void Begin(std::string_view caption, int maximum) = 0;
  virtual void Position(int position) = 0;
  virtual void End() = 0;
};

}  // namespace kvx
