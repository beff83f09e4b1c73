#pragma once
// The "Color Options" dialog: four colour boxes with a live preview of a
// setpoint grid and the three status captions.

#include <QColor>
#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;

namespace kvx {

class ColorPreview;

// The four preference colour texts the dialog edits.
struct ColorChoice {
  std::string formColor;
  std::string backgroundColor;
  std::string fixedboxColor;
  std::string editboxColor;
};

class ColorOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  ColorOptionsDialog(QWidget* owner, const ColorChoice& initial);

  // The selections as colour texts.
  ColorChoice choice() const;

  QComboBox* backgroundBox() const { return backgroundBox_; }  // "Background"
  QComboBox* textAreasBox() const { return textAreasBox_; }    // "Text Areas"
  QComboBox* fixedTextBox() const { return fixedTextBox_; }    // "Fixed Text"
  QComboBox* editableBox() const { return editableBox_; }      // "Editable Areas"
  QPushButton* okButton() const { return okButton_; }
  QPushButton* defaultsButton() const { return defaultsButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  ColorPreview* preview() const { return preview_; }

  // The platform colour picker; replaceable so a test can answer it.
  std::function<QColor(const QColor& initial, QWidget* parent)> pickColor;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QComboBox* MakeBox(const std::string& initial);
  void SelectText(QComboBox* box, const std::string& text);
  void BoxActivated(QComboBox* box, int index);
  void SetDefaults();
  void UpdatePreview();

  QComboBox* backgroundBox_;
  QComboBox* textAreasBox_;
  QComboBox* fixedTextBox_;
  QComboBox* editableBox_;
  QPushButton* okButton_;
  QPushButton* defaultsButton_;
  QPushButton* cancelButton_;
  ColorPreview* preview_;
  QLabel* onlineSample_;
  QLabel* tripSample_;
  QLabel* alarmSample_;
};

// Shows the dialog; on "OK" replaces the four texts and returns true.
bool ShowColorOptions(QWidget* owner, ColorChoice& colors);

}  // namespace kvx
