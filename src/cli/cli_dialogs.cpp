#include "cli/cli_dialogs.h"

#include <algorithm>

#include "setpoints/setting_store.h"

namespace kvx::cli {

MessageResult CliDialogs::Ask(const std::string& caption, const std::string& text,
                              MessageKind kind) {
  if (kind == MessageKind::Ok) {
    err_ << caption << ": " << text << '\n';
    return MessageResult::Ok;
  }
  const bool yesNo = kind == MessageKind::YesNo;
  if (answerYes_) {
    err_ << caption << ": " << text << '\n' << (yesNo ? "-> Yes" : "-> OK") << " (--yes)\n";
    return yesNo ? MessageResult::Yes : MessageResult::Ok;
  }
  refused_ = true;
  err_ << caption << ": " << text << '\n'
       << (yesNo ? "-> No" : "-> Cancel") << " (question refused; --yes answers it)\n";
  return yesNo ? MessageResult::No : MessageResult::Cancel;
}

void StderrProgress::Begin(std::string_view caption, int maximum) {
  caption_ = caption;
  maximum_ = std::max(maximum, 1);
  shown_ = -1;
  // The group passes step every named group below the limit, in number order.
  groups_.clear();
  if (store_) {
    for (int g = 0; g < kSetpointGroupLimit; ++g) {
      if (!store_->groups[g].name.empty()) groups_.push_back(g);
    }
  }
}

void StderrProgress::Position(int position) {
  if (terminal_) {
    const int percent = std::clamp(position * 100 / maximum_, 0, 100);
    if (percent == shown_) return;
    shown_ = percent;
    const int filled = percent * 30 / 100;
    err_ << '\r' << caption_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(30 - filled), ' ') << "] " << percent << '%'
         << std::flush;
    return;
  }
  // Only the passes over the setpoint groups are worth a line each.
  if (maximum_ > kSetpointGroupLimit || position == shown_) return;
  shown_ = position;
  const auto at = std::find(groups_.begin(), groups_.end(), position);
  if (at == groups_.end()) {
    err_ << caption_ << ": group " << position << '\n';
    return;
  }
  err_ << caption_ << ": group " << (at - groups_.begin() + 1) << " of " << groups_.size() << " ("
       << store_->groups[position].name << ")\n";
}

void StderrProgress::End() {
  if (terminal_ && shown_ >= 0) err_ << '\n';
  shown_ = -1;
}

}  // namespace kvx::cli
