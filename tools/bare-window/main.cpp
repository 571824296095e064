// What a window of the launcher's size costs with nothing drawn: the same SDL window (its size at the display's
// Xft.dpi scale, its window class, so qo-window-probe finds and measures it the same way) presenting one static
// frame through the window surface at 60 Hz. A click in the close box's corner ends it.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <fmt/core.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLogicalWidth = 1100, kLogicalHeight = 660;
constexpr auto kFrameInterval = std::chrono::nanoseconds(16'666'667);

// Xft.dpi / 96 of the display's resources, at least 1, as the launcher reads it.
double display_scale() {
  Display* x = XOpenDisplay(nullptr);
  if (!x) return 1.0;
  double scale = 1.0;
  if (const char* resources = XResourceManagerString(x)) {
    XrmInitialize();
    if (XrmDatabase database = XrmGetStringDatabase(resources)) {
      char* type = nullptr;
      XrmValue value{};
      if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
        scale = std::max(1.0, std::atof(value.addr) / 96.0);
      }
      XrmDestroyDatabase(database);
    }
  }
  XCloseDisplay(x);
  return scale;
}

// The launcher's window class, set before the window is mapped, as the launcher does.
void set_window_class(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  std::string instance = "qotarmish", klass = "QoTarmishLauncherMain";
  XClassHint hint{instance.data(), klass.data()};
  XSetClassHint(info.info.x11.display, info.info.x11.window, &hint);
  XFlush(info.info.x11.display);
}

void paint_static_frame(SDL_Surface* surface) {
  SDL_LockSurface(surface);
  for (int y = 0; y < surface->h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
    const auto shade = static_cast<uint32_t>(20 + 60 * y / std::max(surface->h, 1));
    std::fill_n(row, surface->w, 0xFF000000u | shade << 16 | (shade / 2) << 8 | 10u);
  }
  SDL_UnlockSurface(surface);
}

}  // namespace

int main() {
  const double scale = display_scale();
  const int width = static_cast<int>(std::ceil(kLogicalWidth * scale));
  const int height = static_cast<int>(std::ceil(kLogicalHeight * scale));
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // the launcher's choice: the X11 surface, no renderer
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                        SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
  if (!window) return 1;
  set_window_class(window);
  SDL_ShowWindow(window);
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (!surface) return 1;
  paint_static_frame(surface);
  auto deadline = Clock::now();
  for (bool running = true; running;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_QUIT) running = false;
      if (event.type == SDL_MOUSEBUTTONDOWN && event.button.x > width - 60 * scale && event.button.y < 58 * scale)
        running = false;
    }
    SDL_UpdateWindowSurface(window);
    deadline = std::max(deadline + kFrameInterval, Clock::now());
    std::this_thread::sleep_until(deadline);
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
