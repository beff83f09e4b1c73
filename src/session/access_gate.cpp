#include "session/access_gate.h"

namespace kvx {

bool AccessGate::AccessGranted(TimePoint now) {
  if (deadline_ && now >= *deadline_) {
    granted_ = false;
    deadline_.reset();
  }
  return granted_;
}

void AccessGate::Unlock(TimePoint now) {
  granted_ = true;
  deadline_ = now + timeout_;
}

void AccessGate::Lock() {
  granted_ = false;
  deadline_.reset();
}

void AccessGate::Open() {
  granted_ = true;
  deadline_.reset();
}

void AccessGate::SetTimeout(std::chrono::milliseconds timeout, TimePoint now) {
  AccessGranted(now);  // a timer already due fires first
  if (deadline_ && timeout != timeout_) deadline_ = now + timeout;
  timeout_ = timeout;
}

}  // namespace kvx
