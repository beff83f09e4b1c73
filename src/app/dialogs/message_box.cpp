#include "app/dialogs/message_box.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "shell/message_box_layout.h"

namespace kvx {

Qt::WindowFlags FixedDialogFlags(bool stayOnTop) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (stayOnTop) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

void CentreOn(QWidget* dialog, QWidget* owner) {
  QRect area;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (!area.isValid()) return;
  const QSize size = dialog->frameGeometry().size();
  dialog->move(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2);
}

MessageBoxDialog::MessageBoxDialog(QWidget* owner, const QString& text, const QString& caption,
                                   MessageKind kind)
    : QDialog(owner, FixedDialogFlags(true)) {
  setObjectName(QStringLiteral("TMessageBoxF"));
  setWindowTitle(caption);
  setModal(true);
  text_ = new QLabel(text, this);
  text_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  text_->setTextFormat(Qt::PlainText);
  result_ = kind == MessageKind::Ok      ? MessageResult::Ok
            : kind == MessageKind::YesNo ? MessageResult::No
                                         : MessageResult::Cancel;
  if (kind == MessageKind::Ok) {
    AddButton(tr("OK"), MessageResult::Ok);
  } else if (kind == MessageKind::OkCancel) {
    AddButton(tr("OK"), MessageResult::Ok);
    AddButton(tr("Cancel"), MessageResult::Cancel);
  } else if (kind == MessageKind::SaveDontSaveCancel) {
    AddButton(tr("Save"), MessageResult::Yes);
    AddButton(tr("Don't Save"), MessageResult::No);
    AddButton(tr("Cancel"), MessageResult::Cancel);
  } else {
    AddButton(tr("Yes"), MessageResult::Yes);
    AddButton(tr("No"), MessageResult::No);
  }
  buttons_.front()->setDefault(true);

  // Measure the text as it will be drawn, wrapped at the box's margins.
  const int clientWidth = kMessageBoxClientWidth;
  const QFontMetrics metrics(text_->font());
  const QRect one = metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignHCenter, text);
  const bool wraps = one.width() > MessageWrapWidth(clientWidth);
  text_->setWordWrap(wraps);
  const QRect drawn = wraps
                          ? metrics.boundingRect(QRect(0, 0, MessageWrapWidth(clientWidth), 100000),
                                                 Qt::AlignHCenter | Qt::TextWordWrap, text)
                          : one;
  const MessageBoxLayout layout =
      LayoutMessageBox(kind, clientWidth, drawn.width(), drawn.height());
  text_->setGeometry(layout.text.left, layout.text.top, layout.text.width, layout.text.height);
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const BoxRect& r = layout.buttons[i];
    buttons_[i]->setGeometry(r.left, r.top, r.width, r.height);
  }
  setFixedSize(layout.clientWidth, layout.clientHeight);
}

void MessageBoxDialog::AddButton(const QString& caption, MessageResult result) {
  auto* button = new QPushButton(caption, this);
  connect(button, &QPushButton::clicked, this, [this, result] {
    result_ = result;
    done(static_cast<int>(result));
  });
  buttons_.push_back(button);
}

void MessageBoxDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

int ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageKind kind) {
  MessageBoxDialog box(owner, text, caption, kind);
  box.exec();
  return static_cast<int>(box.result());
}

MessageResult GuiUserDialogs::Ask(const std::string& caption, const std::string& text,
                                  MessageKind kind) {
  return static_cast<MessageResult>(
      ShowMessage(owner_, QString::fromStdString(text), QString::fromStdString(caption), kind));
}

}  // namespace kvx
