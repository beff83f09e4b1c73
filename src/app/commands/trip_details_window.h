#pragma once
// "Trip and Alarm Codes": the codes active in the relay as read once when the
// window was made. Stays on top, not modal; Close hides it, the next Details
// click replaces it.

#include <QWidget>
#include <string>
#include <vector>

#include "app/frame/user_colors.h"

class QPlainTextEdit;

namespace kvx {

class TripDetailsWindow : public QWidget {
  Q_OBJECT

 public:
  TripDetailsWindow(QWidget* owner, const UserColors& colors);
  void SetLines(const std::vector<std::string>& lines);
  QString Text() const;

 private:
  QPlainTextEdit* text_;
};

}  // namespace kvx
