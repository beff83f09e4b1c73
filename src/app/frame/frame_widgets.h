#pragma once
// The few kinds of widget the frame and its pages are made of: raised bars,
// sunken text panels and read-only grids, and how a grid takes the user's
// colours.

#include <QString>
#include <QStringList>

#include "app/frame/user_colors.h"

class QFrame;
class QLabel;
class QTableWidget;
class QWidget;

namespace kvx {

// A raised bar that carries buttons or panels.
QFrame* MakeBar(QWidget* parent, const QString& objectName);
// A sunken, centred text panel.
QLabel* MakePanel(QWidget* parent, const QString& objectName, const QString& text = QString());
// A read-only grid with `hiddenColumns` hidden columns before `headers`.
QTableWidget* MakeGrid(QWidget* parent, const QString& objectName, const QStringList& headers,
                       int hiddenColumns);
// Cells in the Background colour, the header row in the Fixedbox colour.
void PaintGrid(QTableWidget* grid, const UserColors& colors);

}  // namespace kvx
