#include "shell/startup.h"

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "core/random.h"
#include "core/screen.h"
#include "render/displayscale.h"
#include "render/errorreport.h"
#include "render/screensize.h"
#include "render/x11windowpresenter.h"
#include "saver/daemonsaver.h"
#include "saver/mainwindow.h"
#include "settings/overrides.h"
#include "settings/pref.h"
#include "settings/settings.h"
#include "shell/displayprobe.h"
#include "shell/instanceguard.h"
#include "shell/runswitch.h"
#include "shell/termination.h"

namespace tess {

namespace {

// Shown when the saver window cannot be made. Lines are separated by line feeds, the line break
// of our message boxes.
const char* const kNoResourcesMessage =
    QT_TRANSLATE_NOOP("TMain",
                      "    Программе не хватает ресурсов. Она будет закрыта.\n"
                      "    Если Вы все же хотите увидеть результат ее работы, то\n"
                      "поменяйте железо или попробуйте запустить ее в Windows XP.");

bool gConstructingApplication = false;
// What the platform plugin said while the application object was made, for when it fails.
QStringList gPlatformMessages;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The platforms the GUI layer will try, in order: QT_QPA_PLATFORM's list ("wayland;xcb"), each
// name without its options ("xcb:nograb").
QStringList CandidatePlatforms() {
  QStringList names;
  for (const QString& entry : QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM")).split(';')) {
    const QString name = entry.section(':', 0, 0).trimmed().toLower();
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

bool IsDisplayPlatform(const QString& platform) {
  return platform == "xcb" || platform.startsWith("wayland");
}

std::string Described(const char* variable) {
  return IsSet(variable) ? std::string(variable) + "=" + std::getenv(variable)
                         : std::string(variable) + " is not set";
}

// The displays the platforms to be tried would use, as the user set them.
std::string DisplayDescription() {
  std::string text;
  for (const QString& platform : CandidatePlatforms()) {
    if (!IsDisplayPlatform(platform)) continue;
    const std::string display = Described(platform == "xcb" ? "DISPLAY" : "WAYLAND_DISPLAY");
    if (text.find(display) != std::string::npos) continue;
    text += (text.empty() ? "" : ", ") + display;
  }
  if (!text.empty()) return text;
  if (IsSet("DISPLAY")) return Described("DISPLAY");
  if (IsSet("WAYLAND_DISPLAY")) return Described("WAYLAND_DISPLAY");
  return "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

[[noreturn]] void FailForMissingDisplay(const char* why = "") {
  std::fprintf(stderr, "tessarine: cannot open a display (%s%s)\n", DisplayDescription().c_str(),
               why);
  std::fflush(stderr);
  ::_exit(1);
}

constexpr std::chrono::seconds kDisplayAnswerLimit{5};

// A Wayland compositor with the wlr layer shell lets the saver be a surface of its overlay layer,
// above everything and outside the window layout, which an X11 window under XWayland never is.
bool WaylandOverlayLayerOffered() {
#ifdef TESSARINE_LAYER_SHELL
  return IsSet("WAYLAND_DISPLAY") &&
         WaylandDisplayOffers("zwlr_layer_shell_v1", std::chrono::milliseconds(1000));
#else
  return false;
#endif
}

// Inside a daemon's window we make no window of our own: the GUI layer runs without a display
// and our own X connection draws into the daemon's window. A Wayland compositor with an overlay
// layer gets the native Wayland platform (X11 still, should Qt's Wayland platform be missing).
// Elsewhere an X display, where there is one (also XWayland's), is used as an X11 client: every
// desktop then takes the same, tested path, with shared memory and a known cursor position. Only
// without any X display does another Wayland desktop get the native Wayland platform. A platform
// the user chose stays.
void ChoosePlatform(bool inDaemonWindow) {
  if (inDaemonWindow) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else if (!IsSet("QT_QPA_PLATFORM") && IsSet("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", WaylandOverlayLayerOffered() ? "wayland;xcb" : "xcb");
  } else if (!IsSet("QT_QPA_PLATFORM") && IsSet("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "wayland");
  }
}

// Without a session bus the GUI layer would have one launched for us (dbus-launch and a
// dbus-daemon), which outlives the saver. Mark it as not to be had instead.
void KeepOffTheSessionBus() {
  if (!IsSet("DBUS_SESSION_BUS_ADDRESS")) qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

// A display that never answers would hang the start with nothing said. Each display the GUI
// layer would try is asked in its order, up to the first that answers (which it will then use);
// one that refuses is passed over, as the GUI layer passes over it. `x` keeps the X connection
// it made until the GUI layer has its own.
void RequireAnsweringDisplay(bool inDaemonWindow, TXDisplayProbe& x) {
  const QStringList platforms = inDaemonWindow ? QStringList{"xcb"} : CandidatePlatforms();
  bool refused = false;
  for (const QString& platform : platforms) {
    TDisplayAnswer answer;
    if (platform == "xcb") {
      if (!IsSet("DISPLAY")) continue;
      answer = x.Probe(kDisplayAnswerLimit);
    } else if (platform.startsWith("wayland")) {
      answer = ProbeWaylandDisplay(kDisplayAnswerLimit);
    } else {
      return;  // another kind of platform: nothing of ours to ask
    }
    if (answer == TDisplayAnswer::kAnswers) return;
    if (answer == TDisplayAnswer::kSilent) {
      FailForMissingDisplay(platform == "xcb" ? ": no answer within 5 s"
                                              : ": the Wayland display gave no answer within 5 s");
    }
    refused = true;
  }
  if (refused) FailForMissingDisplay();
}

// The platform plugin could not start: say which, and why in its own words.
[[noreturn]] void FailForPlatform(const QString& fatal) {
  QString why = gPlatformMessages.isEmpty() ? fatal : gPlatformMessages.first();
  why = why.section('\n', 0, 0).trimmed();
  std::fprintf(stderr, "tessarine: cannot start the platform '%s' (%s)\n",
               qgetenv("QT_QPA_PLATFORM").constData(), qPrintable(why));
  std::fflush(stderr);
  ::_exit(1);
}

// While the application object is made, the platform plugin reports a display it cannot reach
// as a fatal message, which would abort with a core dump. Turn that into one clear line and a
// plain exit; the plugin's other chatter in that moment says nothing more.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (gConstructingApplication) {
    if (type != QtFatalMsg) {
      gPlatformMessages.append(message);
      return;
    }
    // Platforms of displays failed on their displays (one that went since the probe, say); any
    // other platform failed in its own way, which it told.
    const QStringList platforms = CandidatePlatforms();
    if (!platforms.isEmpty() && std::all_of(platforms.begin(), platforms.end(), IsDisplayPlatform))
      FailForMissingDisplay();
    FailForPlatform(message);
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

// The Russian texts are the program's own. Users whose language is English get the English
// translation; every other language, and the C locale, keeps the Russian.
void InstallTranslation(QApplication& app) {
  const QStringList languages = QLocale::system().uiLanguages();
  if (languages.isEmpty() || QLocale(languages.first()).language() != QLocale::English) return;
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral(":/i18n/tessarine_en.qm"))) {
    app.installTranslator(translator);
  } else {
    delete translator;
  }
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

// The last-resort report for an error that escapes start-up. Inside a daemon's window there is
// no screen of our own to show a message box on: standard error only.
int ReportApplicationError(const char* message, bool canShowWindows) {
  std::fprintf(stderr, "tessarine: %s\n", message);
  std::fflush(stderr);
  if (canShowWindows) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                    QString::fromUtf8(message), QMessageBox::Ok);
    box.exec();
  }
  return 1;
}

// The settings file is read and rewritten with the primary screen's bounds, as the saver
// standing alone has them; only the scene in the daemon's window is bounded by that window.
void UsePrimaryMonitorOf(const TX11WindowPresenter& window) {
  const int scale = DisplayScaleForDpi(window.DesktopDpi());
  const QSize primary = window.PrimaryMonitorSize();
  const ScreenSize logical{primary.width() / scale, primary.height() / scale};
  SetScreenSizeProvider([logical] { return logical; });
}

// The saver runs with the command line's settings over the file's; the file keeps its own.
void ApplyCommandLineSettings(const TCommandLine& options) {
  for (const std::string& problem :
       ApplyOverrides(options.assignments, Settings, CurrentScreenSize())) {
    std::fprintf(stderr, "tessarine: %s\n", problem.c_str());
  }
  std::fflush(stderr);
}

std::string GuardSuffixFor(uint32_t window) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "-0x%x", window);
  return suffix;
}

int RunSaver(QApplication& app) {
  std::unique_ptr<TMain> main;
  try {
    main = std::make_unique<TMain>();
  } catch (const std::exception&) {
    ShowPlainMessage(kApplicationTitle, QCoreApplication::translate("TMain", kNoResourcesMessage));
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
  // A file-size limit (or a quota) that a write runs into must fail the write, not kill us:
  // the settings writer then reports it and keeps the old file.
  ::signal(SIGXFSZ, SIG_IGN);
  const TCommandLine options = ParseCommandLine(argc, argv);
  if (options.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (!options.problem.empty()) {
    std::fprintf(stderr, "tessarine: %s (see --help)\n", options.problem.c_str());
    return 2;
  }
  const char runSwitch = RunSwitchOf(options.hasRunSwitch ? argv[1] : nullptr);
  // A screen-saver daemon names its window for each saver it starts, one per monitor: each gets
  // a guard of its own, used once.
  uint32_t daemonWindow = 0;
  if (RunModeOf(runSwitch) == RunMode::kSaver) {
    std::string problem;
    daemonWindow = DaemonWindowFromEnvironment(problem).value_or(0);
    if (!problem.empty()) {
      std::fprintf(stderr, "tessarine: %s\n", problem.c_str());
      return 1;
    }
  }

  TInstanceGuard guard(daemonWindow != 0 ? GuardSuffixFor(daemonWindow) : std::string(),
                       daemonWindow != 0);
  if (guard.AlreadyExists()) return 0;

  SeedSharedRandom(UtcMillisecondsOfDay());

  ChoosePlatform(daemonWindow != 0);
  KeepOffTheSessionBus();
  std::unique_ptr<QApplication> app;
  {
    // The probe's X connection is let go once the GUI layer has its own.
    TXDisplayProbe xProbe;
    RequireAnsweringDisplay(daemonWindow != 0, xProbe);
    app = MakeApplication(argc, argv);
  }
  QApplication::setApplicationName(kApplicationTitle);
  InstallTranslation(*app);
  QuitOnTerminationSignals(*app);

  std::unique_ptr<TX11WindowPresenter> window;
  if (daemonWindow != 0) {
    std::string problem;
    window = TX11WindowPresenter::Attach(daemonWindow, problem);
    if (!window) {
      std::fprintf(stderr, "tessarine: %s\n", problem.c_str());
      // A window that is gone already went the way a window goes while we draw: the daemon
      // took it away, which ends us normally (a daemon logs any other status as a failure).
      return problem.find("connect") != std::string::npos ? 1 : 0;
    }
    UsePrimaryMonitorOf(*window);
  } else {
    UsePrimaryScreenSize();
    UseMessageBoxReports();
  }

  try {
    SetDefaults(Settings);
    ReadSettings();
    if (RunModeOf(runSwitch) == RunMode::kSaver) ApplyCommandLineSettings(options);
    if (window) return RunInDaemonWindow(std::move(window));
    switch (RunModeOf(runSwitch)) {
      case RunMode::kSaver:
        return RunSaver(*app);
      case RunMode::kSettingsDialog:
        return RunSettingsDialog(*app);
      case RunMode::kNone:
        return 0;
    }
  } catch (const std::exception& error) {
    return ReportApplicationError(error.what(), daemonWindow == 0);
  }
  return 0;
}

}  // namespace tess
