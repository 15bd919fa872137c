#include "settings/pref.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSlider>
#include <QTest>

#include "settings/ini.h"
#include "settings/settings.h"
#include "settings/settingstable.h"
#include "tests/support/tempdir.h"
#include "ui_pref.h"

namespace tess {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteFile;

QColor Background(QWidget* w) {
  return w->palette().color(QPalette::Window);
}
QColor Letter(QWidget* w) {
  return w->palette().color(QPalette::WindowText);
}

class PrefTest : public ::testing::Test {
 protected:
  PrefTest()
      : config_("XDG_CONFIG_HOME", dir_.path().string()), previousScreen_(SetScreenSizeProvider([] {
          return ScreenSize{1024, 768};
        })) {
    SetDefaults(Settings);
  }
  ~PrefTest() override { SetScreenSizeProvider(previousScreen_); }

  // Shows a fresh dialog over the current settings, with messages and choices captured.
  Ui::TPref& Show() {
    pref_ = std::make_unique<TPref>();
    pref_->SetMessageShower([this](const QString& caption, const QString& text) {
      messages_.push_back(caption + ": " + text);
    });
    pref_->SetPictureChooser([this](const QString& folder) {
      chooserFolders_.push_back(folder);
      return chosen_;
    });
    pref_->show();
    return pref_->Form();
  }

  std::filesystem::path File() const { return dir_ / kSettingsFileName; }

  TempDir dir_;
  ScopedEnv config_;
  ScreenSizeProvider previousScreen_;
  std::unique_ptr<TPref> pref_;
  std::vector<QString> messages_;
  std::vector<QString> chooserFolders_;
  std::optional<QString> chosen_;
};

TEST_F(PrefTest, TheFirstRunShowsTheDefaults) {
  auto& f = Show();
  EXPECT_EQ(pref_->windowTitle(), QString::fromUtf8("Orvanex - Настройка"));
  EXPECT_EQ(pref_->size(), QSize(400, 296));
  EXPECT_EQ(f.PC1->currentIndex(), 0);
  EXPECT_EQ(f.PC1->tabText(0), QString::fromUtf8("Общие"));
  EXPECT_TRUE(f.RB2->isChecked());
  EXPECT_TRUE(f.RB4->isChecked());
  EXPECT_EQ(f.TB1->value(), 0);
  EXPECT_EQ(Background(f.P2), QColor(Qt::black));
  EXPECT_EQ(Background(f.ST1), QColor(Qt::black));
  EXPECT_EQ(Letter(f.ST1), QColor(0, 128, 0));
  EXPECT_FALSE(f.CB1->isChecked());
  EXPECT_EQ(f.GB1->title(), QString::fromUtf8(" Цвет символов "));
  EXPECT_EQ(f.TB9->minimum(), 10);
  EXPECT_EQ(f.TB9->maximum(), 34);
  EXPECT_EQ(f.TB10->maximum(), 19);  // 3 * 768 / 4 / 30, not the layout's 25
  EXPECT_EQ(f.TB3->value(), 10);
  EXPECT_EQ(f.TB11->value(), 7);
  EXPECT_TRUE(f.RB15->isChecked());
  EXPECT_TRUE(f.RB18->isChecked());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PrefTest, TheGreyScaleRoundsHalvesToEvenBothWays) {
  const std::pair<int, int> positions[] = {{0, 0},    {5, 26},   {15, 76},
                                           {25, 128}, {45, 230}, {50, 255}};
  auto& f = Show();
  for (const auto& [position, grey] : positions) {
    f.TB1->setValue(position);
    EXPECT_EQ(Background(f.P2), QColor(grey, grey, grey)) << position;
    EXPECT_EQ(Background(f.ST1), QColor(grey, grey, grey)) << position;
  }
  for (int p = 0; p <= 50; ++p) {
    EXPECT_EQ(TPref::PositionOfGrey(TPref::GreyOfPosition(p)), p);
  }
}

TEST_F(PrefTest, AGreyOf127LoadsAtPosition25AndOkStores128) {
  Settings.General.BGColor = MakeColour(127, 127, 127);
  auto& f = Show();
  EXPECT_EQ(f.TB1->value(), 25);
  EXPECT_EQ(Background(f.P2), QColor(128, 128, 128));
  f.BB2->click();
  EXPECT_EQ(Settings.General.BGColor, MakeColour(128, 128, 128));
  EXPECT_EQ(IniDocument::Parse(ReadFile(File())).Value("General", "BGColor"),
            std::to_string(MakeColour(128, 128, 128)));
  EXPECT_FALSE(pref_->isVisible());
}

TEST_F(PrefTest, ColourButtonsSetTheLetterColour) {
  Settings.General.SimColor = 3;
  auto& f = Show();
  EXPECT_EQ(Letter(f.ST1), QColor(0, 0, 255));
  f.RB1->click();
  EXPECT_EQ(Letter(f.ST1), QColor(255, 0, 0));
  f.RB2->click();
  EXPECT_EQ(Letter(f.ST1), QColor(0, 128, 0));
}

TEST_F(PrefTest, ChainBoundsFollowTheSizeAndPullPositionsDown) {
  Settings.ThirdVar.ChainsCount = 30;
  Settings.ThirdVar.SimCount = 19;
  auto& f = Show();
  EXPECT_EQ(f.TB9->maximum(), 34);
  EXPECT_EQ(f.TB10->maximum(), 19);
  EXPECT_EQ(f.TB9->value(), 30);
  f.TB13->setValue(7);
  EXPECT_EQ(f.TB9->minimum(), 10);
  EXPECT_EQ(f.TB9->maximum(), 23);
  EXPECT_EQ(f.TB10->minimum(), 5);
  EXPECT_EQ(f.TB10->maximum(), 13);
  EXPECT_EQ(f.TB9->value(), 23);
  EXPECT_EQ(f.TB10->value(), 13);
  // Loading a size other than 4 fits both ranges at show time.
  Settings.ThirdVar.SimSize = 7;
  auto& g = Show();
  EXPECT_EQ(g.TB10->maximum(), 13);
}

TEST_F(PrefTest, AMaximumBelowTheMinimumIsIgnored) {
  auto& f = Show();
  TPref::SetTrackMaximum(*f.TB9, 5);
  EXPECT_EQ(f.TB9->minimum(), 10);
  EXPECT_EQ(f.TB9->maximum(), 34);
  // On a tiny screen the chain bound falls below 10: the range stays as it was.
  SetScreenSizeProvider([] { return ScreenSize{300, 200}; });
  f.TB13->setValue(7);
  EXPECT_EQ(f.TB9->maximum(), 34);
  EXPECT_EQ(f.TB10->maximum(), 19);  // 3 * 200 / 4 / 45 = 3, below 5: ignored too
}

TEST_F(PrefTest, TickingThePictureBoxWithoutAFileUnticksItAndSaysWhy) {
  auto& f = Show();
  f.CB1->click();
  EXPECT_FALSE(f.CB1->isChecked());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(
      messages_[0],
      QString::fromUtf8("Tessarine: Сначала необходимо задать корректное имя файла рисунка!"));
  // With an existing file the tick stays, without a message.
  WriteFile(dir_ / "bg.bmp", "BM");
  f.E1->setText(QString::fromStdString((dir_ / "bg.bmp").string()));
  f.CB1->click();
  EXPECT_TRUE(f.CB1->isChecked());
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(PrefTest, ChoosingAPictureNeverTicksTheBoxAndStartsInTheFilesFolder) {
  fs::create_directories(dir_ / "pictures");
  const auto picture = dir_ / "pictures/a.bmp";
  WriteFile(picture, "BM");
  auto& f = Show();
  chosen_ = QString::fromStdString(picture.string());
  f.BBPic->click();
  EXPECT_EQ(f.E1->text().toStdString(), picture.string());
  EXPECT_FALSE(f.CB1->isChecked());
  f.CB1->click();
  EXPECT_TRUE(f.CB1->isChecked());
  // The next chooser starts in the picture's folder; cancelling it keeps the text and the tick.
  chosen_.reset();
  f.BBPic->click();
  ASSERT_EQ(chooserFolders_.size(), 2u);
  EXPECT_EQ(chooserFolders_[1].toStdString(), (dir_ / "pictures").string() + "/");
  EXPECT_EQ(f.E1->text().toStdString(), picture.string());
  EXPECT_TRUE(f.CB1->isChecked());
  // The file vanishes: the next chooser run takes the tick away, silently.
  fs::remove(picture);
  f.BBPic->click();
  EXPECT_FALSE(f.CB1->isChecked());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PrefTest, AFileVanishingBeforeOkStoresNoPicture) {
  WriteFile(dir_ / "bg.bmp", "BM");
  Settings.General.BGPic = true;
  Settings.General.BGPicPath = (dir_ / "bg.bmp").string();
  auto& f = Show();
  EXPECT_TRUE(f.CB1->isChecked());
  fs::remove(dir_ / "bg.bmp");
  f.BB2->click();
  EXPECT_FALSE(Settings.General.BGPic);
  EXPECT_EQ(Settings.General.BGPicPath, (dir_ / "bg.bmp").string());
}

TEST_F(PrefTest, OkOnAPageRemembersItForTheNextShow) {
  auto& f = Show();
  f.PC1->setCurrentIndex(2);
  f.BB2->click();
  EXPECT_EQ(IniDocument::Parse(ReadFile(File())).Value("General", "Laying"), "2");
  SetDefaults(Settings);
  ReadSettings();
  EXPECT_EQ(Show().PC1->currentIndex(), 2);
}

TEST_F(PrefTest, EveryControlRoundTripsItsFieldThroughOkAndTheFile) {
  WriteFile(dir_ / "bg.bmp", "BM");
  TSettings chosen;
  chosen.General = {3, MakeColour(204, 204, 204), true, (dir_ / "bg.bmp").string(), 3, 1};
  chosen.FirstVar = {77, 3, false, 4, 9, 10, 110};
  chosen.SecondVar = {12, false, 6, 3, 8};
  chosen.ThirdVar = {20, 11, 2, 9, 6, 4, false};
  Settings = chosen;
  Show().BB2->click();
  EXPECT_EQ(Settings, chosen);
  SetDefaults(Settings);
  ReadSettings();
  EXPECT_EQ(Settings, chosen);
  // Each field from its own control, not from the record: change them all in the dialog.
  auto& f = Show();
  f.RB1->click();
  f.TB1->setValue(10);
  f.RB5->click();
  f.TB2->setValue(40);
  f.RB8->click();
  f.RB10->click();
  f.TB3->setValue(2);
  f.TB4->setValue(3);
  f.TB5->setValue(90);
  f.RB12->click();
  f.TB6->setValue(1);
  f.TB7->setValue(5);
  f.TB8->setValue(6);
  f.TB13->setValue(2);
  f.TB9->setValue(40);
  f.TB10->setValue(25);
  f.TB11->setValue(10);
  f.TB12->setValue(1);
  f.RB14->click();
  f.RB18->click();
  f.PC1->setCurrentIndex(3);
  f.BB2->click();
  SetDefaults(Settings);
  ReadSettings();
  const TSettings expected{{1, MakeColour(51, 51, 51), true, (dir_ / "bg.bmp").string(), 2, 3},
                           {40, 2, true, 2, 3, 10, 110},
                           {90, true, 1, 5, 6},
                           {40, 25, 10, 1, 2, 1, true}};
  EXPECT_EQ(Settings.General, expected.General);
  EXPECT_EQ(Settings.FirstVar, expected.FirstVar);
  EXPECT_EQ(Settings.SecondVar, expected.SecondVar);
  EXPECT_EQ(Settings.ThirdVar, expected.ThirdVar);
}

TEST_F(PrefTest, CancelEscAndTheCloseBoxWriteNothing) {
  for (int way = 0; way < 3; ++way) {
    WriteFile(File(), "[General]\nSimColor=2\n");
    auto& f = Show();
    f.RB3->click();
    f.TB1->setValue(40);
    if (way == 0) f.BB1->click();
    if (way == 1) QTest::keyClick(pref_.get(), Qt::Key_Escape);
    if (way == 2) pref_->close();
    EXPECT_FALSE(pref_->isVisible()) << way;
    EXPECT_EQ(ReadFile(File()), "[General]\nSimColor=2\n") << way;
  }
}

TEST_F(PrefTest, EnterPressesOk) {
  Show();
  QTest::keyClick(pref_.get(), Qt::Key_Return);
  EXPECT_FALSE(pref_->isVisible());
  EXPECT_TRUE(fs::exists(File()));
}

TEST_F(PrefTest, AFailedWriteSaysSoAndKeepsTheDialogWithTheChoices) {
  auto& f = Show();
  f.RB3->click();
  f.TB2->setValue(99);
  WriteFile(dir_ / "blocker", "x");
  ScopedEnv unwritable("XDG_CONFIG_HOME", (dir_ / "blocker/sub").string());
  f.BB2->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Tessarine: Unable to write to Orvanex.ini.");
  EXPECT_TRUE(pref_->isVisible());
  EXPECT_TRUE(f.RB3->isChecked());
  EXPECT_EQ(f.TB2->value(), 99);
  EXPECT_EQ(Settings.General.SimColor, 3);  // the record already holds the new values
}

TEST_F(PrefTest, APictureNameWithLineBreaksIsRefusedAndTheFileKeepsItsContent) {
  // A hostile file name that would write settings of its own into the file.
  const auto picture = dir_ / "z\nVarNum=3\nSimColor=1\nx.bmp";
  WriteFile(picture, "BM");
  WriteFile(File(), "[General]\nSimColor=2\n");
  auto& f = Show();
  chosen_ = QFile::decodeName(QByteArray::fromStdString(picture.string()));
  f.BBPic->click();
  f.CB1->click();
  f.BB2->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Tessarine: Unable to write to Orvanex.ini.");
  EXPECT_TRUE(pref_->isVisible());
  EXPECT_EQ(ReadFile(File()), "[General]\nSimColor=2\n");
}

TEST_F(PrefTest, APicturePathOutsideTheFileNameEncodingKeepsItsBytes) {
  const std::string latin1 = (dir_ / "fond\xe9.bmp").string();  // not UTF-8
  WriteFile(latin1, "BM");
  Settings.General.BGPic = true;
  Settings.General.BGPicPath = latin1;
  auto& f = Show();
  EXPECT_TRUE(f.CB1->isChecked());
  f.BB2->click();
  EXPECT_EQ(Settings.General.BGPicPath, latin1);
  EXPECT_TRUE(Settings.General.BGPic);
}

// Each key's dialog controls, as the settings table names them: they exist, a track bar has the
// key's range (the chain bounds' maxima come from the screen), a radio group one button per value.
TEST_F(PrefTest, EveryKeysControlsAreOnTheDialogWithTheKeysRange) {
  Show();
  for (const TSettingKey& key : SettingKeys()) {
    const QStringList names = QString(key.controls).split(' ', Qt::SkipEmptyParts);
    for (const QString& name : names)
      ASSERT_NE(pref_->findChild<QWidget*>(name), nullptr)
          << key.Name() << ": " << name.toStdString();
    if (names.size() == 1 && names[0].startsWith("TB") && key.ranged) {
      const auto* track = pref_->findChild<QSlider*>(names[0]);
      EXPECT_EQ(track->minimum(), key.low) << key.Name();
      if (key.bound == TScreenBound::kNone) {
        EXPECT_EQ(track->maximum(), key.high) << key.Name();
      }
    }
    if (names.size() > 1) {
      const int values = key.kind == TValueKind::kBoolean ? 2 : key.high - key.low + 1;
      EXPECT_EQ(names.size(), values) << key.Name();
    }
  }
}

}  // namespace
}  // namespace tess
