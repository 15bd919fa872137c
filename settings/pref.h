#pragma once
// The settings dialog: four pages of controls that show the settings, previews of the symbol
// colour on the chosen grey, a chooser for the background bitmap, and OK to write the settings
// file. The layout lives in pref.ui under the controls' own names (PC1, TB1, RB1, ...).
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSlider;

namespace Ui {
class TPref;
}

namespace tess {

class TPref : public QDialog {
 public:
  explicit TPref(QWidget* parent = nullptr);
  ~TPref() override;

  Ui::TPref& Form() { return *ui_; }

  // The event handlers, under their names.
  void FormShow();
  void TB1Change();
  void TB13Change();
  void RB1Click();
  void RB2Click();
  void RB3Click();
  void CB1Click();
  void BBPicClick();
  void BB2Click();
  void BB1Click();

  // Seams for tests: the plain message box, and the picture chooser (returns the chosen file, or
  // nothing when cancelled; gets the folder to start in).
  using MessageShower = std::function<void(const QString& caption, const QString& text)>;
  using PictureChooser = std::function<std::optional<QString>(const QString& folder)>;
  void SetMessageShower(MessageShower shower) { showMessage_ = std::move(shower); }
  void SetPictureChooser(PictureChooser chooser) { choosePicture_ = std::move(chooser); }

  // The grey level of a TB1 position, and the position of a level: p <-> nearest(p * 5.1).
  static int GreyOfPosition(int position);
  static int PositionOfGrey(int level);

  // Sets a track bar's maximum, ignored when below its minimum; the position follows into range.
  static void SetTrackMaximum(QSlider& trackBar, int maximum);

 protected:
  // Esc and the close box reject the dialog, as Cancel does; either way it finishes.
  void showEvent(QShowEvent* event) override;

 private:
  void SetSymbolPreviewColour(int red, int green, int blue);
  // The picture path: shown in E1, and kept as the bytes it came as while E1 shows it unchanged,
  // so that a name in another encoding than the file-name encoding survives OK.
  void ShowPicturePath(const std::string& path);
  std::string PicturePath() const;
  std::optional<QString> RunPictureChooser(const QString& folder);

  std::unique_ptr<Ui::TPref> ui_;
  MessageShower showMessage_;
  PictureChooser choosePicture_;
  QString chooserFolder_;
  std::string picturePath_;
  QString picturePathText_;
  bool shown_ = false;
};

}  // namespace tess
