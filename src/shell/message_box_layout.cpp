#include "shell/message_box_layout.h"

namespace kvx {

namespace {
// Space under the buttons so that they do not touch the frame.
constexpr int kBottomMargin = 8;
}  // namespace

MessageBoxLayout LayoutMessageBox(MessageKind kind, int clientWidth, int textWidth,
                                  int textHeight) {
  MessageBoxLayout layout;
  layout.clientWidth = clientWidth;
  layout.wrapWidth = MessageWrapWidth(clientWidth);
  if (textWidth > layout.wrapWidth) textWidth = layout.wrapWidth;
  layout.text = {(clientWidth - textWidth) / 2, 16, textWidth, textHeight};
  const int buttonTop = layout.text.top + textHeight + 2;
  const int centre = clientWidth / 2;
  if (kind == MessageKind::Ok) {
    layout.buttons.push_back({centre - 37, buttonTop, kMessageButtonWidth, kMessageButtonHeight});
  } else if (kind == MessageKind::SaveDontSaveCancel) {
    // Three buttons 12 pixels apart, centred.
    for (int i = 0; i < 3; ++i) {
      layout.buttons.push_back({centre - 124 + i * (kMessageButtonWidth + 12), buttonTop,
                                kMessageButtonWidth, kMessageButtonHeight});
    }
  } else {
    layout.buttons.push_back({centre - 100, buttonTop, kMessageButtonWidth, kMessageButtonHeight});
    layout.buttons.push_back({centre + 25, buttonTop, kMessageButtonWidth, kMessageButtonHeight});
  }
  layout.clientHeight = buttonTop + kMessageButtonHeight + kBottomMargin;
  return layout;
}

}  // namespace kvx
