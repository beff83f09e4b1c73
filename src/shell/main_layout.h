#pragma once
// Where the main window's strips, buttons and grids go for a given size.
// All divisions truncate towards zero, as the layout has always done.

#include "shell/message_box_layout.h"

namespace kvx {

inline constexpr int kMainMinWidth = 750;
inline constexpr int kMainMinHeight = 550;
inline constexpr int kStatusStripHeight = 30;
inline constexpr int kStatusBarHeight = 26;
inline constexpr int kPageControlTop = 60;
// The page control's height is the client height minus this.
inline constexpr int kPageControlHeightMargin = 86;

struct MainLayout {
  // Family strip buttons.
  int start1Left = 465;
  int start2Left = 560;
  int stopLeft = 655;
  // Main status strip.
  int firstPanelWidth = 0;
  int resetLeft = 0;    // inside first_P
  int detailsLeft = 0;  // inside first_P
  // Status bar.
  int progressWidth = 0;
  // Metering page.
  BoxRect meterGrid;
  BoxRect rtdGrid;
  // Setpoints page.
  int treeWidth = 0;
  int gridLeft = 0;
  int gridWidth = 0;
  int gridColumnWidths[6] = {0, 0, 0, 0, 0, 0};
};

inline constexpr int kStripButtonWidth = 85;
inline constexpr int kDetailsButtonWidth = 50;
inline constexpr int kDetailsButtonHeight = 20;

// `windowWidth` is W; `pageWidth` and `pageHeight` are the page control's page
// area; `firstPanelClientInset` is the width of first_P's border on each side.
MainLayout ComputeMainLayout(int windowWidth, int pageWidth, int pageHeight,
                             int firstPanelClientInset = 1);

}  // namespace kvx
