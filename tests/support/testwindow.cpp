// tessarine-testwindow: stands in for a screen-saver daemon's window in the end-to-end tests.
// Makes and maps a plain X window of the given size at the given place, prints its id (hex) and
// waits until it is killed; SIGUSR1 destroys the window first, as a daemon might. With --over the
// window is override-redirect, above everything, as a screen locker maps it. With --cursor
// it prints instead whether the pointer shows a visible cursor ("visible" or "hidden"). With
// --silent-display it stands in for a display that accepts connections and never answers: it
// listens on the TCP port of the first free display number from 50, prints that number and
// keeps every connection open without a word; --silent-wayland PATH does the same as a Wayland
// display at that socket path.
//
//   tessarine-testwindow WIDTH HEIGHT X Y [--over]
//   tessarine-testwindow --cursor
//   tessarine-testwindow --silent-display
//   tessarine-testwindow --silent-wayland PATH
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
volatile sig_atomic_t gDestroy = 0;
void OnUsr1(int) {
  gDestroy = 1;
}
}  // namespace

// Whether the cursor image under the pointer has any pixel that is not fully transparent.
int PrintCursor() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
  auto* image = xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
  if (image == nullptr) return 1;
  const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(image);
  const int count = xcb_xfixes_get_cursor_image_cursor_image_length(image);
  bool visible = false;
  for (int i = 0; i < count; ++i)
    visible = visible || (pixels[i] >> 24) != 0;
  std::printf("%s\n", visible ? "visible" : "hidden");
  std::free(image);
  xcb_disconnect(c);
  return 0;
}

int SilentDisplay() {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int display = 50;
  for (; display < 200; ++display) {
    address.sin_port = htons(static_cast<uint16_t>(6000 + display));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
  }
  if (display == 200 || ::listen(listener, 16) != 0) return 1;
  std::printf("%d\n", display);
  std::fflush(stdout);
  while (true)
    (void)::accept(listener, nullptr, nullptr);  // kept open, never answered
}

int SilentWayland(const char* path) {
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
  ::unlink(path);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 16) != 0) {
    return 1;
  }
  std::printf("%s\n", path);
  std::fflush(stdout);
  while (true)
    (void)::accept(listener, nullptr, nullptr);  // kept open, never answered
}

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--cursor") return PrintCursor();
  if (argc == 2 && std::string(argv[1]) == "--silent-display") return SilentDisplay();
  if (argc == 3 && std::string(argv[1]) == "--silent-wayland") return SilentWayland(argv[2]);
  const bool over = argc == 6 && std::string(argv[5]) == "--over";
  if (argc != 5 && !over) {
    std::fprintf(stderr, "usage: tessarine-testwindow WIDTH HEIGHT X Y [--over]\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {screen->black_pixel, over ? 1u : 0u};
  xcb_create_window(
      c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<int16_t>(std::atoi(argv[3])),
      static_cast<int16_t>(std::atoi(argv[4])), static_cast<uint16_t>(std::atoi(argv[1])),
      static_cast<uint16_t>(std::atoi(argv[2])), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
  xcb_map_window(c, window);
  xcb_flush(c);
  std::printf("0x%x\n", window);
  std::fflush(stdout);
  signal(SIGUSR1, OnUsr1);
  while (!gDestroy)
    pause();
  xcb_destroy_window(c, window);
  xcb_flush(c);
  while (true)
    pause();
}
