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

class TColorOptionsF : public QDialog {
  Q_OBJECT

 public:
  TColorOptionsF(QWidget* owner, const ColorChoice& initial);

  // The selections as colour texts.
  ColorChoice choice() const;

  QComboBox* backgroundBox() const { return form_CB; }  // "Background"
  QComboBox* textAreasBox() const { return text_CB; }   // "Text Areas"
  QComboBox* fixedTextBox() const { return fixed_CB; }  // "Fixed Text"
  QComboBox* editableBox() const { return edit_CB; }    // "Editable Areas"
  QPushButton* okButton() const { return OK_B; }
  QPushButton* defaultsButton() const { return Defaults_B; }
  QPushButton* cancelButton() const { return Cancel_B; }
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

  QComboBox* form_CB;
  QComboBox* text_CB;
  QComboBox* fixed_CB;
  QComboBox* edit_CB;
  QPushButton* OK_B;
  QPushButton* Defaults_B;
  QPushButton* Cancel_B;
  ColorPreview* preview_;
  QLabel* online_P;
  QLabel* trip_P;
  QLabel* alarm_P;
};

// Shows the dialog; on "OK" replaces the four texts and returns true.
bool ShowColorOptions(QWidget* owner, ColorChoice& colors);

}  // namespace kvx
