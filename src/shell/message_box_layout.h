#pragma once
// Geometry of the program's message box, worked out from the size of its text.

#include <vector>

#include "shell/user_dialogs.h"

namespace kvx {

struct BoxRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct MessageBoxLayout {
  int clientWidth = 0;
  int clientHeight = 0;
  int wrapWidth = 0;             // text wider than this wraps
  BoxRect text;                  // centred, 16 pixels below the top
  std::vector<BoxRect> buttons;  // left to right
};

inline constexpr int kMessageBoxClientWidth = 400;
inline constexpr int kMessageBoxClientHeight = 150;
inline constexpr int kMessageButtonWidth = 75;
inline constexpr int kMessageButtonHeight = 25;

// Wrap width for a box of the given client width.
inline int MessageWrapWidth(int clientWidth) {
  return clientWidth - 20;
}

// `textWidth` and `textHeight` are the extent of the text as it will be drawn
// (already wrapped at MessageWrapWidth). The box keeps its width and shrinks
// so that it ends just below the button row.
MessageBoxLayout LayoutMessageBox(MessageKind kind, int clientWidth, int textWidth, int textHeight);

}  // namespace kvx
