#include "app/dialogs/password_dialogs.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/message_box.h"
#include "app/frame/user_colors.h"
#include "session/password_rules.h"

namespace kvx {
namespace {

constexpr int kPasswordLength = 4;

QLineEdit* MaskedEdit(QWidget* parent, const QColor& editbox) {
  auto* edit = new QLineEdit(parent);
  edit->setEchoMode(QLineEdit::Password);
  edit->setMaxLength(kPasswordLength);
  PaintBase(edit, editbox);
  return edit;
}

}  // namespace

PasswordEntryDialog::PasswordEntryDialog(QWidget* owner, const UserColors& colors)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QStringLiteral("TPasswordF"));
  setWindowTitle(QStringLiteral("Password Entry"));
  setFixedSize(220, 100);
  PaintFace(this, colors.background);
  auto* label = new QLabel(QStringLiteral("Password"), this);
  label->setGeometry(16, 18, 70, 22);
  edit_ = MaskedEdit(this, colors.editbox);
  edit_->setGeometry(90, 18, 110, 22);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(70, 58, 80, 26);
  ok->setDefault(true);
  auto accept = [this] {
    answer_ = edit_->text().toStdString();
    accepted_ = true;
    QDialog::accept();
  };
  connect(ok, &QPushButton::clicked, this, accept);
  connect(edit_, &QLineEdit::returnPressed, this, accept);
}

void PasswordEntryDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
  edit_->setFocus();
}

PasswordTimeoutDialog::PasswordTimeoutDialog(QWidget* owner, const UserColors& colors,
                                             int timeoutMs)
    : SecondsDialog(owner, colors, {"TPasswordTimeoutF", "Password Timeout", "Password Timer"}, 1,
                    500000, timeoutMs / 1000) {}

ChangePasswordDialog::ChangePasswordDialog(QWidget* owner, const UserColors& colors)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QStringLiteral("TChangePasswordF"));
  setWindowTitle(QStringLiteral("Change Password"));
  setFixedSize(310, 220);
  PaintFace(this, colors.background);
  auto* currentLabel = new QLabel(QStringLiteral("Current Password"), this);
  currentLabel->setGeometry(16, 16, 140, 22);
  current_ = MaskedEdit(this, colors.editbox);
  current_->setGeometry(165, 16, 120, 22);
  auto* newLabel = new QLabel(QStringLiteral("New Password"), this);
  newLabel->setGeometry(16, 46, 140, 22);
  new_ = MaskedEdit(this, colors.editbox);
  new_->setGeometry(165, 46, 120, 22);
  new_->installEventFilter(this);
  // The new password is typed twice: a typo in a masked field would
  // otherwise lock the engineer out of the relay.
  auto* confirmLabel = new QLabel(QStringLiteral("Confirm New Password"), this);
  confirmLabel->setGeometry(16, 76, 145, 22);
  confirm_ = MaskedEdit(this, colors.editbox);
  confirm_->setObjectName(QStringLiteral("confirm_E"));
  confirm_->setGeometry(165, 76, 120, 22);
  confirm_->installEventFilter(this);
  limit_ = new QCheckBox(QStringLiteral("Limit to characters selectable on OPI"), this);
  limit_->setGeometry(16, 106, 280, 22);
  limit_->setChecked(true);
  QPalette red = palette();
  red.setColor(QPalette::WindowText, kErrorColor);
  lengthLabel_ = new QLabel(QStringLiteral("New Password must be 4 characters long"), this);
  lengthLabel_->setGeometry(16, 134, 280, 22);
  lengthLabel_->setPalette(red);
  lengthLabel_->hide();
  mismatchLabel_ = new QLabel(QString::fromLatin1(kPasswordsDifferText), this);
  mismatchLabel_->setGeometry(16, 134, 280, 22);
  mismatchLabel_->setPalette(red);
  mismatchLabel_->hide();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(55, 176, 90, 26);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(165, 176, 90, 26);
  connect(ok, &QPushButton::clicked, this, [this] { TryOk(); });
  for (QLineEdit* edit : {current_, new_, confirm_}) {
    connect(edit, &QLineEdit::returnPressed, this, [this] { TryOk(); });
  }
  connect(cancel, &QPushButton::clicked, this, [this] {
    cancelled_ = true;
    QDialog::reject();
  });
}

void ChangePasswordDialog::TryOk() {
  // The keypad limit is enforced as keys are typed as well; a pasted text
  // is held to it here.
  if (!NewPasswordAcceptable(new_->text().toStdString(), limit_->isChecked())) {
    mismatchLabel_->hide();
    lengthLabel_->show();
    return;
  }
  if (confirm_->text() != new_->text()) {
    lengthLabel_->hide();
    mismatchLabel_->show();
    confirm_->clear();
    confirm_->setFocus();
    return;
  }
  cancelled_ = false;
  QDialog::accept();
}

PasswordChange ChangePasswordDialog::Answer() const {
  PasswordChange answer;
  answer.currentPassword = current_->text().toStdString();
  answer.newPassword =
      cancelled_ ? std::string(kPasswordChangeCancelled) : new_->text().toStdString();
  return answer;
}

bool ChangePasswordDialog::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == new_ || watched == confirm_) && event->type() == QEvent::KeyPress &&
      limit_->isChecked()) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete ||
                         key->key() == Qt::Key_Left || key->key() == Qt::Key_Right ||
                         key->key() == Qt::Key_Home || key->key() == Qt::Key_End ||
                         key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                         key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (!editing && !text.isEmpty()) {
      const bool allowed = text.size() == 1 && text[0].unicode() < 128 &&
                           IsKeypadPasswordCharacter(static_cast<char>(text[0].unicode()));
      if (!allowed) return true;  // discarded
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ChangePasswordDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
  current_->setFocus();
}

std::string AskPasswordEntry(QWidget* owner, const UserColors& colors) {
  PasswordEntryDialog dialog(owner, colors);
  dialog.exec();
  return dialog.Answer();
}

PasswordChange AskChangePassword(QWidget* owner, const UserColors& colors) {
  ChangePasswordDialog dialog(owner, colors);
  dialog.exec();
  return dialog.Answer();
}

}  // namespace kvx
