#include "app/dialogs/color_options_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <utility>

#include "app/dialogs/color_preview.h"
#include "app/dialogs/message_box.h"
#include "app/frame/user_colors.h"
#include "shell/colors.h"
#include "shell/preferences.h"

namespace kvx {
namespace {

constexpr const char* kCustomEntry = "Custom...";

// "clMoneyGreen" → "Money Green".
QString ReadableName(const char* name) {
  QString text = QString::fromLatin1(name).mid(2);
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (i > 0 && text[i].isUpper()) out += QLatin1Char(' ');
    out += text[i];
  }
  return out;
}

QIcon Swatch(const QColor& color) {
  QPixmap pixmap(16, 12);
  pixmap.fill(color);
  QPainter p(&pixmap);
  p.setPen(Qt::black);
  p.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

// The user's custom colours of this run, offered in every colour box.
QList<QColor>& CustomColors() {
  static QList<QColor> colors;
  return colors;
}

QColor ColorOfText(const std::string& text) {
  return ToQColor(ColorFromTextOr(text, Rgb{0xC0, 0xC0, 0xC0}));
}

void AddColorItem(QComboBox* box, const QColor& color, const QString& label) {
  const std::string text = ColorToText(ToRgb(color));
  box->insertItem(box->count() - 1, Swatch(color), label, QString::fromStdString(text));
}

}  // namespace

ColorOptionsDialog::ColorOptionsDialog(QWidget* owner, const ColorChoice& initial)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QStringLiteral("TColorOptionsF"));
  setWindowTitle(QStringLiteral("Color Options"));
  setFixedSize(600, 250);
  pickColor = [](const QColor& start, QWidget* parent) {
    return QColorDialog::getColor(start, parent, QStringLiteral("Custom Color"));
  };

  // A colour text that cannot be read shows the colour the window paints in
  // its place: that colour's own default.
  const Preferences defaults;
  struct Row {
    const char* label;
    QComboBox** box;
    const std::string* initial;
    const std::string* fallback;
  } rows[] = {
      {"Background", &backgroundBox_, &initial.formColor, &defaults.formColor},
      {"Text Areas", &textAreasBox_, &initial.backgroundColor, &defaults.backgroundColor},
      {"Fixed Text", &fixedTextBox_, &initial.fixedboxColor, &defaults.fixedboxColor},
      {"Editable Areas", &editableBox_, &initial.editboxColor, &defaults.editboxColor},
  };
  int y = 16;
  for (const Row& row : rows) {
    auto* label = new QLabel(QString::fromLatin1(row.label), this);
    label->setGeometry(16, y + 3, 100, 20);
    *row.box = MakeBox(ColorFromText(*row.initial) ? *row.initial : *row.fallback);
    (*row.box)->setGeometry(120, y, 160, 24);
    y += 36;
  }
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  defaultsButton_ = new QPushButton(QStringLiteral("Defaults"), this);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  okButton_->setGeometry(16, 200, 80, 28);
  defaultsButton_->setGeometry(108, 200, 80, 28);
  cancelButton_->setGeometry(200, 200, 80, 28);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(defaultsButton_, &QPushButton::clicked, this, [this] { SetDefaults(); });
  for (auto [widget, name] : {std::pair<QWidget*, const char*>{backgroundBox_, "form_CB"},
                              {textAreasBox_, "text_CB"},
                              {fixedTextBox_, "fixed_CB"},
                              {editableBox_, "edit_CB"},
                              {okButton_, "OK_B"},
                              {defaultsButton_, "Defaults_B"},
                              {cancelButton_, "Cancel_B"}}) {
    widget->setObjectName(QString::fromLatin1(name));
  }

  preview_ = new ColorPreview(this);
  const QSize grid = preview_->sizeHint();
  preview_->setGeometry(306, 16, grid.width(), grid.height());
  QFont bold = font();
  bold.setBold(true);
  const int panelTop = 16 + grid.height() + 12;
  const int panelWidth = (grid.width() - 16) / 3;
  struct Panel {
    QLabel** label;
    const char* caption;
    QColor text;
    const char* name;
  } panels[] = {{&onlineSample_, "ONLINE", kGoodColor, "online_P"},
                {&tripSample_, "TRIP", kErrorColor, "trip_P"},
                {&alarmSample_, "ALARM", kWarningColor, "alarm_P"}};
  int x = 306;
  for (const Panel& panel : panels) {
    auto* label = new QLabel(QString::fromLatin1(panel.caption), this);
    label->setObjectName(QString::fromLatin1(panel.name));
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(x, panelTop, panelWidth, 28);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, panel.text);
    label->setPalette(p);
    label->setAutoFillBackground(true);
    *panel.label = label;
    x += panelWidth + 8;
  }
  UpdatePreview();
}

QComboBox* ColorOptionsDialog::MakeBox(const std::string& initial) {
  auto* box = new QComboBox(this);
  box->addItem(QString::fromLatin1(kCustomEntry));
  for (const auto& named : NamedColors()) {
    AddColorItem(box, ToQColor(named.rgb), ReadableName(named.name));
  }
  for (const QColor& c : CustomColors()) AddColorItem(box, c, QString());
  SelectText(box, initial);
  connect(box, &QComboBox::activated, this, [this, box](int index) { BoxActivated(box, index); });
  connect(box, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
  return box;
}

void ColorOptionsDialog::SelectText(QComboBox* box, const std::string& text) {
  const QColor color = ColorOfText(text);
  const QString canonical = QString::fromStdString(ColorToText(ToRgb(color)));
  int index = box->findData(canonical);
  if (index < 0) {
    AddColorItem(box, color, canonical);
    index = box->findData(canonical);
  }
  box->setCurrentIndex(index);
}

void ColorOptionsDialog::BoxActivated(QComboBox* box, int index) {
  if (box->itemText(index) != QLatin1String(kCustomEntry) || box->itemData(index).isValid()) {
    return;
  }
  const int previous = box->property("lastColorIndex").toInt();
  const QColor start = ColorOfText(box->itemData(previous).toString().toStdString());
  const QColor picked = pickColor ? pickColor(start, this) : QColor();
  if (!picked.isValid()) {
    box->setCurrentIndex(previous);
    return;
  }
  if (!CustomColors().contains(picked)) CustomColors().append(picked);
  SelectText(box, ColorToText(ToRgb(picked)));
}

void ColorOptionsDialog::SetDefaults() {
  const Preferences defaults;
  SelectText(textAreasBox_, defaults.backgroundColor);
  SelectText(backgroundBox_, defaults.formColor);
  SelectText(fixedTextBox_, defaults.fixedboxColor);
  SelectText(editableBox_, defaults.editboxColor);
  UpdatePreview();
}

void ColorOptionsDialog::UpdatePreview() {
  for (QComboBox* box : {backgroundBox_, textAreasBox_, fixedTextBox_, editableBox_}) {
    if (!box) return;  // still building
    if (box->currentData().isValid()) box->setProperty("lastColorIndex", box->currentIndex());
  }
  const ColorChoice c = choice();
  PaintFace(this, ColorOfText(c.formColor));
  const QColor cells = ColorOfText(c.backgroundColor);
  preview_->setColors(cells, ColorOfText(c.fixedboxColor), ColorOfText(c.editboxColor));
  for (QLabel* panel : {onlineSample_, tripSample_, alarmSample_}) {
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, cells);
    panel->setPalette(p);
  }
}

ColorChoice ColorOptionsDialog::choice() const {
  auto text = [](QComboBox* box) {
    const QVariant data = box->itemData(box->property("lastColorIndex").toInt());
    return data.toString().toStdString();
  };
  return {text(backgroundBox_), text(textAreasBox_), text(fixedTextBox_), text(editableBox_)};
}

void ColorOptionsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

bool ShowColorOptions(QWidget* owner, ColorChoice& colors) {
  ColorOptionsDialog dialog(owner, colors);
  if (dialog.exec() != QDialog::Accepted) return false;
  colors = dialog.choice();
  return true;
}

}  // namespace kvx
