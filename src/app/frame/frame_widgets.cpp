#include "app/frame/frame_widgets.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace kvx {

QFrame* MakeBar(QWidget* parent, const QString& objectName) {
  auto* bar = new QFrame(parent);
  bar->setObjectName(objectName);
  bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
  bar->setAutoFillBackground(true);
  return bar;
}

QLabel* MakePanel(QWidget* parent, const QString& objectName, const QString& text) {
  auto* panel = new QLabel(text, parent);
  panel->setObjectName(objectName);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  panel->setAutoFillBackground(true);
  return panel;
}

QTableWidget* MakeGrid(QWidget* parent, const QString& objectName, const QStringList& headers,
                       int hiddenColumns) {
  auto* grid = new QTableWidget(1, headers.size() + hiddenColumns, parent);
  grid->setObjectName(objectName);
  QStringList labels;
  for (int i = 0; i < hiddenColumns; ++i) labels << QString();
  labels << headers;
  grid->setHorizontalHeaderLabels(labels);
  for (int i = 0; i < hiddenColumns; ++i) grid->setColumnHidden(i, true);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(20);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  return grid;
}

void PaintGrid(QTableWidget* grid, const UserColors& c) {
  QPalette p = grid->palette();
  p.setColor(QPalette::Base, c.background);
  p.setColor(QPalette::AlternateBase, c.background);
  p.setColor(QPalette::Text, TextOn(c.background));
  grid->setPalette(p);
  QPalette h = grid->horizontalHeader()->palette();
  h.setColor(QPalette::Button, c.fixedbox);
  h.setColor(QPalette::Window, c.fixedbox);
  grid->horizontalHeader()->setPalette(h);
  grid->horizontalHeader()->setStyleSheet(
      QStringLiteral("QHeaderView::section { background-color: %1; color: %2;"
                     " border: 1px solid #808080; padding: 2px; }")
          .arg(c.fixedbox.name(), TextOn(c.fixedbox).name()));
}

}  // namespace kvx
