#include "settings/pref.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <filesystem>
#include <system_error>

#include "core/colour.h"
#include "core/nearest.h"
#include "core/screen.h"
#include "settings/settings.h"
#include "ui_pref.h"

namespace tess {

namespace {

// The dialog's texts are Russian; translations (English) are looked up under the form's name.
const char* const kPictureMissingMessage =
    QT_TRANSLATE_NOOP("TPref", "Сначала необходимо задать корректное имя файла рисунка!");
const char* const kChooserTitle = QT_TRANSLATE_NOOP("TPref", "Выбор фонового рисунка");
const char* const kChooserFilter = "Bitmaps (*.bmp)";
constexpr int kPreviewEdge = 160;
constexpr QSize kChooserSize(820, 460);
constexpr int kDialogFontPixels = 11;

// A path names an existing file when it is the path of one; a folder does not count. Paths are
// bytes, as the file system and the settings file keep them.
bool NamesExistingFile(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool NamesExistingFile(const QString& text) {
  return NamesExistingFile(QFile::encodeName(text).toStdString());
}

// The dialog was laid out for an 11-pixel sans serif with Arial's metrics; these faces have them,
// so that no caption is clipped.
QFont DialogFont() {
  QFont font;
  font.setFamilies({"Liberation Sans", "Nimbus Sans", "Arial", "DejaVu Sans"});
  font.setPixelSize(kDialogFontPixels);
  return font;
}

QFont PreviewLetterFont() {
  QFont font;
  font.setFamilies({"Bookman Old Style", "URW Bookman", "TeX Gyre Bonum", "Serif"});
  font.setPixelSize(32);
  font.setBold(true);
  return font;
}

// Group boxes with the caption set into the top border line, as the layout's positions assume:
// controls 16 pixels down then sit clear inside the frame.
const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px;"
    " top: 0px; padding: 0px; }";

void SetBackground(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  widget.setPalette(palette);
}

// A chooser with a preview of the highlighted picture beside the file list.
class PictureChooserDialog : public QFileDialog {
 public:
  PictureChooserDialog(QWidget* parent, const QString& folder)
      : QFileDialog(parent, QCoreApplication::translate("TPref", kChooserTitle), folder,
                    QString::fromUtf8(kChooserFilter)),
        preview_(new QLabel(this)) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setDefaultSuffix("bmp");
    preview_->setFixedSize(kPreviewEdge, kPreviewEdge);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
      grid->addWidget(preview_, 1, grid->columnCount(), grid->rowCount() - 1, 1);
    }
    connect(this, &QFileDialog::currentChanged, this,
            [this](const QString& path) { Preview(path); });
  }

 public:
  // Shows a picture in the preview pane, or nothing when it is no readable picture.
  void Preview(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (!NamesExistingFile(path) || !size.isValid() ||
        qint64{size.width()} * size.height() > 64LL * 1024 * 1024) {
      preview_->clear();
      return;
    }
    reader.setScaledSize(size.scaled(kPreviewEdge, kPreviewEdge, Qt::KeepAspectRatio));
    const QImage picture = reader.read();
    if (picture.isNull()) {
      preview_->clear();
    } else {
      preview_->setPixmap(QPixmap::fromImage(picture));
    }
  }

 private:
  QLabel* preview_;
};

}  // namespace

TPref::TPref(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TPref>()) {
  ui_->setupUi(this);
  setFont(DialogFont());
  for (QGroupBox* box : findChildren<QGroupBox*>())
    box->setStyleSheet(kGroupBoxStyle);
  ui_->ST1->setFont(PreviewLetterFont());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(400, 296);
  ui_->BB1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ui_->BB2->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  // The layout state of the previews: black, with a green letter.
  SetBackground(*ui_->P2, Qt::black);
  SetBackground(*ui_->ST1, Qt::black);
  SetSymbolPreviewColour(0, 128, 0);

  connect(ui_->TB1, &QSlider::valueChanged, this, [this] { TB1Change(); });
  connect(ui_->TB13, &QSlider::valueChanged, this, [this] { TB13Change(); });
  connect(ui_->RB1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RB1Click();
  });
  connect(ui_->RB2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RB2Click();
  });
  connect(ui_->RB3, &QRadioButton::toggled, this, [this](bool on) {
    if (on) RB3Click();
  });
  connect(ui_->CB1, &QCheckBox::toggled, this, [this] { CB1Click(); });
  connect(ui_->BBPic, &QPushButton::clicked, this, [this] { BBPicClick(); });
  connect(ui_->BB2, &QPushButton::clicked, this, [this] { BB2Click(); });
  connect(ui_->BB1, &QPushButton::clicked, this, [this] { BB1Click(); });

  showMessage_ = [this](const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, this);
    box.exec();
  };
  choosePicture_ = [this](const QString& folder) { return RunPictureChooser(folder); };
}

TPref::~TPref() = default;

int TPref::GreyOfPosition(int position) {
  return static_cast<int>(nearest(position * 51 / 10.0L));  // exact: halves go to even
}

int TPref::PositionOfGrey(int level) {
  return static_cast<int>(nearest(level * 10 / 51.0L));
}

void TPref::SetTrackMaximum(QSlider& trackBar, int maximum) {
  if (maximum < trackBar.minimum()) return;
  trackBar.setMaximum(maximum);
}

void TPref::SetSymbolPreviewColour(int red, int green, int blue) {
  QPalette palette = ui_->ST1->palette();
  palette.setColor(QPalette::WindowText, QColor(red, green, blue));
  ui_->ST1->setPalette(palette);
}

void TPref::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      move(screen->geometry().center() - rect().center());
    }
    FormShow();
  }
  QDialog::showEvent(event);
}

void TPref::FormShow() {
  const auto& g = Settings.General;
  const auto& v1 = Settings.FirstVar;
  const auto& v2 = Settings.SecondVar;
  const auto& v3 = Settings.ThirdVar;
  const ScreenSize screen = CurrentScreenSize();
  auto& f = *ui_;

  // Both chain bounds follow the stored size from the start: a value the reader kept must
  // survive an OK that touched nothing, whether or not the size control's handler runs.
  SetTrackMaximum(*f.TB9, ChainsBound(screen.W, v3.SimSize));
  SetTrackMaximum(*f.TB10, ChainLengthBound(screen.H, v3.SimSize));
  if (g.SimColor == 1) f.RB1->setChecked(true);
  if (g.SimColor == 2) f.RB2->setChecked(true);
  if (g.SimColor == 3) f.RB3->setChecked(true);
  // A platform without system colours reads a negative value as its low 24 bits, like any other.
  f.TB1->setValue(PositionOfGrey(RedOf(g.BGColor)));
  const int grey = GreyOfPosition(f.TB1->value());
  SetBackground(*f.P2, QColor(grey, grey, grey));
  SetBackground(*f.ST1, f.P2->palette().color(QPalette::Window));
  ShowPicturePath(g.BGPicPath);
  f.CB1->setChecked(NamesExistingFile(PicturePath()) && g.BGPic);
  if (g.VarNum == 1) f.RB4->setChecked(true);
  if (g.VarNum == 2) f.RB5->setChecked(true);
  if (g.VarNum == 3) f.RB6->setChecked(true);
  f.PC1->setCurrentIndex(g.Laying);

  f.TB2->setValue(v1.SimCount);
  QRadioButton* const moving[] = {f.RB7, f.RB8, f.RB9};
  if (v1.Moving >= 1 && v1.Moving <= 3) moving[v1.Moving - 1]->setChecked(true);
  (v1.ChBrightness ? f.RB10 : f.RB11)->setChecked(true);
  f.TB3->setValue(v1.MovingSpeed);
  f.TB4->setValue(v1.ChBrightnessSpeed);

  f.TB5->setValue(v2.SimCount);
  (v2.Moving ? f.RB12 : f.RB13)->setChecked(true);
  f.TB6->setValue(v2.SimSize);
  f.TB7->setValue(v2.MovingSpeed);
  f.TB8->setValue(v2.ChBrightnessSpeed);

  f.TB13->setValue(v3.SimSize);  // runs TB13Change when it differs from the layout's 4
  f.TB9->setValue(v3.ChainsCount);
  f.TB10->setValue(v3.SimCount);
  f.TB11->setValue(v3.MovSpeed);
  f.TB12->setValue(v3.RotSpeed);
  QRadioButton* const rotation[] = {f.RB14, f.RB15, f.RB16, f.RB17};
  if (v3.Rotation >= 1 && v3.Rotation <= 4) rotation[v3.Rotation - 1]->setChecked(true);
  (v3.RotDirection ? f.RB18 : f.RB19)->setChecked(true);
}

void TPref::TB1Change() {
  const int grey = GreyOfPosition(ui_->TB1->value());
  SetBackground(*ui_->P2, QColor(grey, grey, grey));
  SetBackground(*ui_->ST1, ui_->P2->palette().color(QPalette::Window));
}

void TPref::TB13Change() {
  const ScreenSize screen = CurrentScreenSize();
  const int size = ui_->TB13->value();
  SetTrackMaximum(*ui_->TB9, ChainsBound(screen.W, size));
  SetTrackMaximum(*ui_->TB10, ChainLengthBound(screen.H, size));
}

void TPref::RB1Click() {
  SetSymbolPreviewColour(255, 0, 0);
}
void TPref::RB2Click() {
  SetSymbolPreviewColour(0, 128, 0);
}
void TPref::RB3Click() {
  SetSymbolPreviewColour(0, 0, 255);
}

void TPref::ShowPicturePath(const std::string& path) {
  picturePath_ = path;
  // A name that is not in the file-name encoding shows as well as it can; its bytes are kept.
  ui_->E1->setText(QFile::decodeName(QByteArray::fromStdString(path)));
  picturePathText_ = ui_->E1->text();
}

std::string TPref::PicturePath() const {
  const QString text = ui_->E1->text();
  return text == picturePathText_ ? picturePath_ : QFile::encodeName(text).toStdString();
}

void TPref::CB1Click() {
  if (!ui_->CB1->isChecked() || NamesExistingFile(PicturePath())) return;
  ui_->CB1->setChecked(false);
  showMessage_(QApplication::applicationName(),
               QCoreApplication::translate("TPref", kPictureMissingMessage));
}

std::optional<QString> TPref::RunPictureChooser(const QString& folder) {
  PictureChooserDialog chooser(this, folder);
  chooser.resize(kChooserSize);
  if (NamesExistingFile(PicturePath())) {
    chooser.selectFile(ui_->E1->text());
    chooser.Preview(ui_->E1->text());
  }
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return chooser.selectedFiles().first();
}

void TPref::BBPicClick() {
  if (NamesExistingFile(PicturePath())) {
    chooserFolder_ = QFileInfo(ui_->E1->text()).absolutePath() + "/";
  }
  if (const auto chosen = choosePicture_(chooserFolder_)) {
    ShowPicturePath(QFile::encodeName(QFileInfo(*chosen).absoluteFilePath()).toStdString());
  }
  // Choosing a file never ticks "Есть"; a text that names no file takes the tick away.
  if (!NamesExistingFile(PicturePath())) {
    const QSignalBlocker quiet(ui_->CB1);
    ui_->CB1->setChecked(false);
  }
}

void TPref::BB2Click() {
  auto& f = *ui_;
  auto& g = Settings.General;
  g.SimColor = f.RB1->isChecked() ? 1 : f.RB2->isChecked() ? 2 : 3;
  const QColor grey = f.P2->palette().color(QPalette::Window);
  g.BGColor = MakeColour(grey.red(), grey.green(), grey.blue());
  g.BGPicPath = PicturePath();
  g.BGPic = f.CB1->isChecked() && NamesExistingFile(g.BGPicPath);
  g.VarNum = f.RB4->isChecked() ? 1 : f.RB5->isChecked() ? 2 : 3;
  g.Laying = f.PC1->currentIndex();

  auto& v1 = Settings.FirstVar;
  v1.SimCount = f.TB2->value();
  v1.Moving = f.RB7->isChecked() ? 1 : f.RB8->isChecked() ? 2 : 3;
  v1.ChBrightness = f.RB10->isChecked();
  v1.MovingSpeed = f.TB3->value();
  v1.ChBrightnessSpeed = f.TB4->value();

  auto& v2 = Settings.SecondVar;
  v2.SimCount = f.TB5->value();
  v2.Moving = f.RB12->isChecked();
  v2.SimSize = f.TB6->value();
  v2.MovingSpeed = f.TB7->value();
  v2.ChBrightnessSpeed = f.TB8->value();

  auto& v3 = Settings.ThirdVar;
  v3.ChainsCount = f.TB9->value();
  v3.SimCount = f.TB10->value();
  v3.MovSpeed = f.TB11->value();
  v3.RotSpeed = f.TB12->value();
  v3.SimSize = f.TB13->value();
  v3.Rotation = f.RB14->isChecked() ? 1 : f.RB15->isChecked() ? 2 : f.RB16->isChecked() ? 3 : 4;
  v3.RotDirection = f.RB18->isChecked();

  try {
    WriteSettings();
  } catch (const ESettingsFileError& error) {
    // The dialog stays open with everything the user set, for another try.
    showMessage_(QApplication::applicationName(), QString::fromUtf8(error.what()) + ".");
    return;
  }
  accept();
}

void TPref::BB1Click() {
  reject();
}

}  // namespace tess
