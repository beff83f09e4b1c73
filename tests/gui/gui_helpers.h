#pragma once
// Helpers for the widget tests: answer the next modal window, keep the
// user's real settings out of reach.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace kvx::test {

// Runs `answer` on the next modal window that appears (polling for up to 10 s
// so a slow machine does not matter). Returns a flag that turns true once
// the answer ran.
inline std::shared_ptr<bool> WhenModal(std::function<void(QWidget*)> answer,
                                       QWidget* notThis = nullptr) {
  auto done = std::make_shared<bool>(false);
  auto* timer = new QTimer;
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, answer, done, clock, notThis] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != notThis && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      *done = true;
      answer(modal);
    } else if (clock->elapsed() > 10000) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
  return done;
}

// Presses the button captioned `caption` on `window`.
inline bool Press(QWidget* window, const QString& caption) {
  for (QPushButton* b : window->findChildren<QPushButton*>()) {
    if (b->text() == caption && b->isVisible()) {
      b->click();
      return true;
    }
  }
  return false;
}

// Points the user's config folder at a fresh temporary one, before the first
// QSettings of the process is made.
inline QTemporaryDir& IsolatedConfig() {
  static QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  return dir;
}

}  // namespace kvx::test
