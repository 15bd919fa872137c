#include "shell/startup.h"

#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "core/random.h"
#include "core/screen.h"
#include "render/errorreport.h"
#include "render/screensize.h"
#include "saver/mainwindow.h"
#include "settings/pref.h"
#include "settings/settings.h"
#include "shell/instanceguard.h"
#include "shell/runswitch.h"

namespace tess {

namespace {

// Shown when the saver window cannot be made. Lines are separated by line feeds, the line break
// of our message boxes.
const char* const kNoResourcesMessage =
    "    Программе не хватает ресурсов. Она будет закрыта.\n"
    "    Если Вы все же хотите увидеть результат ее работы, то\n"
    "поменяйте железо или попробуйте запустить ее в Windows XP.";

bool gConstructingApplication = false;

std::string DisplayDescription() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (display && *display) return std::string("DISPLAY=") + display;
  if (wayland && *wayland) return std::string("WAYLAND_DISPLAY=") + wayland;
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

[[noreturn]] void FailForMissingDisplay() {
  std::fprintf(stderr, "tessarine: cannot open a display (%s)\n", DisplayDescription().c_str());
  std::fflush(stderr);
  ::_exit(1);
}

// While the application object is made, the platform plugin reports a display it cannot reach
// as a fatal message, which would abort with a core dump. Turn that into one clear line and a
// plain exit; the plugin's other chatter in that moment says nothing more.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (gConstructingApplication) {
    if (type == QtFatalMsg) FailForMissingDisplay();
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(message));
}

bool PlatformNeedsDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return !(platform && *platform);
}

bool DisplayNamed() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display && *display) || (wayland && *wayland);
}

std::unique_ptr<QApplication> MakeApplication(int& argc, char** argv) {
  if (PlatformNeedsDisplay() && !DisplayNamed()) FailForMissingDisplay();
  qInstallMessageHandler(StartupMessageHandler);
  gConstructingApplication = true;
  auto app = std::make_unique<QApplication>(argc, argv);
  gConstructingApplication = false;
  qInstallMessageHandler(nullptr);
  return app;
}

// Errors that reach the message loop are shown in a message box, and the loop goes on.
void UseMessageBoxReports() {
  SetExceptionReporter([](const std::exception& error) {
    std::fprintf(stderr, "tessarine: %s\n", error.what());
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, QString::fromUtf8(error.what()),
                    QMessageBox::Ok);
    box.exec();
  });
}

void ShowPlainMessage(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
  box.exec();
}

// The last-resort report for an error that escapes start-up.
int ReportApplicationError(const char* message) {
  std::fprintf(stderr, "tessarine: %s\n", message);
  std::fflush(stderr);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                  QString::fromUtf8(message), QMessageBox::Ok);
  box.exec();
  return 1;
}

int RunSaver(QApplication& app) {
  std::unique_ptr<TMain> main;
  try {
    main = std::make_unique<TMain>();
  } catch (const std::exception&) {
    ShowPlainMessage(kApplicationTitle, QString::fromUtf8(kNoResourcesMessage));
    return 0;
  }
  main->show();
  main->raise();
  main->activateWindow();  // without a window manager nobody else gives us the keyboard
  app.exec();
  return 0;
}

int RunSettingsDialog(QApplication& app) {
  TPref pref;
  QObject::connect(&pref, &QDialog::finished, &app, &QCoreApplication::quit);
  pref.show();
  pref.activateWindow();
  app.exec();
  return 0;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  TInstanceGuard guard;
  if (guard.AlreadyExists()) return 0;

  SharedRandom().Seed(UtcMillisecondsOfDay());

  const char runSwitch = RunSwitchOf(argc > 1 ? argv[1] : nullptr);
  auto app = MakeApplication(argc, argv);
  QApplication::setApplicationName(kApplicationTitle);
  UsePrimaryScreenSize();
  UseMessageBoxReports();

  try {
    SetDefaults(Settings);
    ReadSettings();
    switch (RunModeOf(runSwitch)) {
      case RunMode::kSaver:
        return RunSaver(*app);
      case RunMode::kSettingsDialog:
        return RunSettingsDialog(*app);
      case RunMode::kNone:
        return 0;
    }
  } catch (const std::exception& error) {
    return ReportApplicationError(error.what());
  }
  return 0;
}

}  // namespace tess
