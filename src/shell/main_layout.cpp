#include "shell/main_layout.h"

namespace kvx {

MainLayout ComputeMainLayout(int windowWidth, int pageWidth, int pageHeight,
                             int firstPanelClientInset) {
  MainLayout m;
  const int w = windowWidth;
  m.start2Left = 560 + (w - kMainMinWidth) / 2;
  m.stopLeft = 655 + (w - kMainMinWidth);
  m.progressWidth = w - 570;
  m.firstPanelWidth = w - 412;
  const int firstClientRight = m.firstPanelWidth - firstPanelClientInset;
  m.resetLeft = firstClientRight - 10 - kDetailsButtonWidth;
  m.detailsLeft = m.resetLeft - 10 - kDetailsButtonWidth;

  const int t = pageWidth;
  m.meterGrid = {2, 2, t / 2 - 4, pageHeight - 4};
  m.rtdGrid = {t / 2 + 2, 2, t / 2 - 4, pageHeight - 4};

  const int b = (t - 734) / 4;
  m.treeWidth = b + 184;
  m.gridLeft = b + 190;
  m.gridWidth = t - m.gridLeft - 2;
  const int widths[6] = {0, 0, b + 200, b + 125, 50, b + 250};
  for (int i = 0; i < 6; ++i) m.gridColumnWidths[i] = widths[i];
  return m;
}

}  // namespace kvx
