#pragma once
// The launcher window's whole state, built once per window by load_assets_and_init_ui (assets.h) and owned by
// the window shell. Plain data in the order of its groups; each group's behaviour lives with its owner:
// tween.h, sparks.h, pointer.h, status.h, assets.h, layers.h, layout.h and the frame painter.
#include <algorithm>
#include <array>
#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "config/launcher_config.h"
#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/image_affine.h"
#include "gfx/image_blit.h"
#include "gfx/paint.h"
#include "gfx/path.h"
#include "gfx/pixmap.h"
#include "gfx/row_trimmed_image.h"
#include "icons/builtin_icons.h"
#include "text/font.h"
#include "ui/clock.h"
#include "ui/layout_types.h"
#include "ui/sprite_cache.h"
#include "util/bounded_channel.h"

namespace qo {

// Logical size of the window; device pixels are these times the scale, rounded up.
inline constexpr float WINDOW_WIDTH = 1100.0f;
inline constexpr float WINDOW_HEIGHT = 660.0f;

// The UI clock value that means "the opening animations have not started yet".
inline constexpr double INTRO_NOT_STARTED = 1e9;

// --- group 1: fonts -------------------------------------------------------------------------------------------
struct FontSet {
  Font manrope_regular;
  Font manrope_medium;
  Font manrope_semibold;
  Font manrope_bold;
  Font urbanist_bold;
  Font urbanist_extrabold;
  std::optional<Font> arial;  // the system's Arial (or its metric twin); absent when none is installed
};

// --- group 2: backdrop worker link ------------------------------------------------------------------------------
// One glass panel of the window, logical px: its rectangle, corner radius and blur (sigma).
struct PanelBackdrop {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
  float radius = 0.0f;
  float blur = 0.0f;
};

// What the backdrop is drawn for: the UI clock (seconds) of the background's zoom and the glass panels on it.
struct BackdropRequest {
  double t = 0.0;
  std::vector<PanelBackdrop> panels;
  // A frame the window no longer shows, handed back for the answer to be painted into: a canvas-sized frame
  // newly allocated for every answer costs its page faults each time.
  std::optional<Pixmap> spare = std::nullopt;
  // The glass the spare frame shows (the `glass` of the reply it came with; 0: unknown).
  uint64_t spare_glass = 0;
};

// The backdrop worker's answer: the animated background with the glass panels composited on it, canvas-sized.
// `glass` names the glass it shows: one number per drawing of the panels, never reused in the process (0: none
// named). Inside `glass_interiors` (device rectangles) the glass alone decides the pixels, so two frames that name
// the same glass are equal there.
struct BackdropReply {
  Pixmap frame;
  uint64_t glass = 0;
  std::vector<ClipRect> glass_interiors = {};
};

// The last request the window sent the worker: its UI clock and panels.
struct BackdropAsked {
  double t = 0.0;
  std::vector<PanelBackdrop> panels;
};

// The background render worker (backdrop.h) and its two channels, each holding one value at most: the window
// offers requests and takes replies without ever waiting. Dropping the link closes both channel ends first and
// then joins the thread (members are destroyed last to first), which ends after its current request. Assigning
// a new link over a running one does the same, in the same order, before taking the new one's ends.
struct BackdropWorkerLink {
  BackdropWorkerLink() = default;
  BackdropWorkerLink(BackdropWorkerLink&&) noexcept = default;
  BackdropWorkerLink& operator=(BackdropWorkerLink&& other) noexcept {
    if (this != &other) {
      replies = std::move(other.replies);
      requests = std::move(other.requests);
      thread = std::move(other.thread);
      frames_made = other.frames_made;
      last_asked = std::move(other.last_asked);
    }
    return *this;
  }

  std::jthread thread;
  BoundedSender<BackdropRequest> requests;
  BoundedReceiver<BackdropReply> replies;
  uint32_t frames_made = 0;  // requests sent without a spare frame: the worker made a frame for each
  std::optional<BackdropAsked> last_asked;  // none until a first request is sent
};

// --- group 3: hover and frame timing ----------------------------------------------------------------------------
// A clickable region of the main screen or the settings dialog. The index tells apart header links, news rows,
// dialog rows and dialog options; it is 0 for every other kind.
enum HitKind : uint32_t {
  HIT_NONE = 0,
  HIT_HEADER_LINK = 1,
  HIT_MINIMIZE = 2,
  HIT_CLOSE = 3,
  HIT_SEE_ALL_NEWS = 4,
  HIT_NEWS_ROW = 5,
  HIT_WINDOWED_TOGGLE = 6,
  HIT_SETTINGS_BUTTON = 7,
  HIT_PLAY = 8,
  HIT_DIALOG_OUTSIDE = 9,
  HIT_DIALOG_PANEL = 10,
  HIT_DIALOG_CLOSE = 11,
  HIT_DIALOG_ROW = 12,
  HIT_DIALOG_OPTION = 13,
  HIT_SOUND_SWITCH = 14,
  HIT_MUSIC_SWITCH = 15,
  HIT_VOLUME_SLIDER = 16,
  HIT_DIALOG_CANCEL = 17,
  HIT_DIALOG_SAVE = 18,
};

// Which region is under the pointer; also the key of a hover fade.
struct Hover {
  HitKind kind = HIT_NONE;
  uint32_t index = 0;

  auto operator<=>(const Hover&) const = default;
};

// A rectangle of a hit list (group 14 for the main screen, the dialog's own list in group 8), in logical px.
struct HitRegion {
  float x0 = 0.0f;
  float y0 = 0.0f;
  float x1 = 0.0f;
  float y1 = 0.0f;
  HitKind kind = HIT_NONE;
  uint32_t index = 0;

  bool contains(float x, float y) const { return x0 <= x && x < x1 && y0 <= y && y < y1; }
};

// --- group 5: spark generator -----------------------------------------------------------------------------------
// 64-bit xorshift state kept as two 32-bit words, low word first.
struct SparkRng {
  uint32_t lo = 0;
  uint32_t hi = 0;
};

// --- group 6: tweens --------------------------------------------------------------------------------------------
// An animated scalar: `value` at `start` (UI clock, seconds) moving to `target` over `duration` seconds along the
// CSS "ease" curve. The start is an f64 instant so runs stay smooth however long the window is open.
struct Tween {
  float value = 0.0f;
  float target = 0.0f;
  double start = -100.0;
  float duration = 0.0f;
};

// --- group 8: settings dialog -----------------------------------------------------------------------------------
// One choice of a dialog row: the id is what a save sends back, the label what the player reads.
struct DialogOption {
  std::string id;
  std::string label;

  bool operator==(const DialogOption&) const = default;
};

// The rows, in order: Modo de tela, Resolução, Limite de FPS, Renderizador, Idioma do cliente.
inline constexpr size_t DIALOG_ROW_COUNT = 5;

// The open settings dialog (absent = closed); built by open_settings_dialog (settings_dialog.h), painted by
// draw_settings_dialog, driven by the pointer and the window procedure.
struct SettingsDialogState {
  bool list_open = false;                 // a row's value list is shown
  uint32_t open_row = 0;                  // the row whose list is shown
  std::array<std::vector<DialogOption>, DIALOG_ROW_COUNT> options;
  Pixmap snapshot;                        // the window canvas as it was at opening
  Pixmap backdrop;                        // the snapshot blurred and darkened
  std::vector<HitRegion> hit_regions;     // from the last paint, hit-tested last to first
  std::optional<std::string> notice;      // shown above the buttons (a failed save)
  std::optional<Pixmap> cached_layer;     // the last painted dialog, reused while nothing changes
  double opened_at = 0.0;                 // UI clock at opening
  std::array<uint32_t, DIALOG_ROW_COUNT> selected{};  // selected option per row
  Tween sound_knob{0.0f, 0.0f, -100.0, 0.2f};
  Tween music_knob{0.0f, 0.0f, -100.0, 0.2f};
  uint32_t volume = 0;                    // 0..10
  uint32_t scroll = 0;                    // first visible option of the shown list
  std::optional<uint32_t> hovered_option;  // option of the shown list under the pointer
  bool sound = false;
  bool music = false;
  bool saving = false;                    // a save request is pending
  bool slider_dragging = false;
  bool dirty = true;                      // the dialog layer must be repainted
  bool shown_at_rest = false;             // the last painted frame showed the opening finished, knobs at rest
};

// --- group 9: images and layers ---------------------------------------------------------------------------------
// A picture file's bytes: an override read from disk is held here; a built-in picture is only pointed at, since
// it lies in the program's own image for the process's life (a copy would hold its bytes twice).
class PictureFile {
 public:
  PictureFile() = default;
  static PictureFile held(std::vector<uint8_t> bytes) {
    PictureFile file;
    file.held_ = std::move(bytes);
    return file;
  }
  static PictureFile built_in(std::span<const uint8_t> bytes) {
    PictureFile file;
    file.built_in_ = bytes;
    return file;
  }

  std::span<const uint8_t> bytes() const { return held_.empty() ? built_in_ : std::span<const uint8_t>(held_); }
  operator std::span<const uint8_t>() const { return bytes(); }  // NOLINT(google-explicit-constructor): a view
  bool operator==(const PictureFile& other) const { return std::ranges::equal(bytes(), other.bytes()); }

 private:
  std::vector<uint8_t> held_;
  std::span<const uint8_t> built_in_;
};

// The pictures (built-in or overridden); never changed after construction. Each is kept as its file's bytes:
// decoded, the hero is several times the window and the logo and crest several times their layers, and only the
// scaled layers are drawn, so the pictures are decoded again each time the layers are rebuilt.
struct SourceImages {
  PictureFile hero_file;
  PictureFile logo_file;
  PictureFile crest_file;
};

// One stroked outline of the rune ornament, in its 520 x 520 unit box.
struct RuneOutline {
  Path path;
  Stroke stroke;
  Color color;
};

// The picture area (logical (0, 58) to (660, 536)) in device pixels of the current scale: the integer clip of
// everything drawn in it (sprites, rune, logo), its edges floored and ceiled.
struct PictureArea {
  ClipRect clip;
};

// The part of a picture that shows: the smallest rectangle holding every pixel with any alpha, each of its rows
// kept from its first to its last such pixel, and where its top-left pixel lies in the whole picture. Source-over
// leaves the target unchanged under a pixel without alpha, so the part drawn at that offset gives what the whole
// picture gives.
struct VisiblePart {
  RowTrimmedImage pixels;
  int32_t x = 0;
  int32_t y = 0;
};

// A layer read by the window's thread and the backdrop worker alike: shared rather than copied, never changed
// once made (a rebuild makes a new one; the worker keeps the old until it is let go).
using SharedPixmap = std::shared_ptr<const Pixmap>;

// Everything rebuilt per scale by rebuild_scaled_layers.
struct ScaledLayers {
  SharedPixmap hero = std::make_shared<const Pixmap>();  // the hero picture at its cover-fitted size (zoom
                                                         // reserve included)
  float hero_x = 0.0f;      // its logical top-left corner and size
  float hero_y = 0.0f;
  float hero_w = 0.0f;
  float hero_h = 0.0f;
  SharedPixmap overlay = std::make_shared<const Pixmap>();  // darkening gradients and background glows,
                                                            // window-sized
  uint32_t logo_glow_width = 0;   // the logo inside its two glows: its size (only its copies are kept)
  uint32_t logo_glow_height = 0;
  uint32_t logo_glow_pad = 0;
  // The glow image, copy k drawn k/4 device pixel lower, one row taller; each kept as its visible part (the
  // outer rows and columns of the glow round to nothing: more than half of each copy at every scale).
  std::array<VisiblePart, 4> logo_glow_copies;
  Pixmap crest_glow;        // the crest inside its glow
  uint32_t crest_glow_pad = 0;
  Canvas glow_dot;          // pale-gold dot in a soft halo, logical -12..18 in both axes
  PictureArea picture_area;
  SparseImage rune;         // the whole figure, 270 logical px across, turned by the frame painter
};

// The frame painter's own canvas-sized layers and what it keeps between frames (frame.h).
struct FrameLayers {
  Pixmap background;  // the animated background with the glass panels on it
  std::optional<Pixmap> spare_background;  // the background a worker reply replaced, for the worker to reuse
  uint64_t background_glass = 0;     // the glass the background shows (BackdropReply::glass; 0: painted here)
  uint64_t spare_glass = 0;          // and the spare's
  std::vector<ClipRect> glass_interiors;  // where the background's glass alone decides the pixels
  // The glass the canvas shows inside those rectangles, with the element layers on it, after the last full frame
  // (0: none named): a new background with the same glass leaves those pixels as they are.
  uint64_t canvas_glass = 0;
  float scale = 0.0f;  // the scale they were made for; 0 = not made yet
  bool background_fresh = false;     // the background changed this frame
  bool has_background = false;       // a background was painted or taken from the worker at least once
  bool dialog_shown = false;         // the last frame showed the dialog: the next main frame is a full one
  std::optional<VisiblePart> pill;   // the subtitle pill at full opacity, placed at its device pixels
  int64_t pill_key_x = INT64_MIN;    // its position in 1/64 logical px
  int64_t pill_key_y = INT64_MIN;
};

// --- group 10: sparks -------------------------------------------------------------------------------------------
inline constexpr size_t SPARK_COUNT = 22;

struct SparkParticle {
  std::optional<Pixmap> sprite;  // the spark's glow at the current scale
  float anchor_x = 0.0f;         // centre of the sway, logical px
  float y = 0.0f;                // height, logical px (grows downwards)
  float rise = 0.0f;             // upward speed, px/s
  float sway = 0.0f;             // sway amplitude, px (signed)
  float phase = 0.0f;            // sway phase, radians
  float age = 0.0f;              // seconds since (re)spawn
  float life = 0.0f;             // lifetime, s
  float size = 0.0f;             // core diameter, logical px; kept on respawn
  uint32_t palette_index = 0;    // into SPARK_PALETTE
  float alpha = 0.0f;            // drawn opacity
  float draw_x = 0.0f;           // drawn centre
  float draw_y = 0.0f;
};

struct UiState {
  UiState(FontSet font_set, UiClockSource clock_source)
      : fonts(std::move(font_set)), clock(clock_source), start_instant_ns(clock_source.monotonic_ns()) {}

  // 1. fonts
  FontSet fonts;

  // 2. backdrop worker link (absent until the intro has run 0.95 s, and again after a scale change)
  std::optional<BackdropWorkerLink> backdrop;

  // 3. hover and frame timing
  UiClockSource clock;                 // every reading of "now" goes through it
  int64_t start_instant_ns;            // origin of the UI clock (monotonic)
  double prev_clock = 0.0;             // the previous frame's UI clock
  Hover hover;
  std::map<Hover, float> hover_fades;  // hover amount 0..1 per region; missing = 0

  // 4. icons (icon_globe ... icon_chevron)
  BuiltinIcons icons;

  // 5. spark generator and countdown
  SparkRng spark_rng;
  int64_t opening_target_ms = 0;  // countdown target, ms since 1970-01-01 UTC

  // 6. tweens (percent for the bars, 0..1 for the knob)
  Tween progress_main{0.0f, 0.0f, -100.0, 0.3f};
  Tween progress_stage{0.0f, 0.0f, -100.0, 0.3f};
  Tween windowed_knob{1.0f, 1.0f, -100.0, 0.2f};

  // 7. pointer (logical px; -1, -1 = outside the window)
  float pointer_x = -1.0f;
  float pointer_y = -1.0f;
  std::array<float, 4> pointer_decoration_prev{-10.0f, -10.0f, -10.0f, -10.0f};

  // 8. settings dialog
  std::optional<SettingsDialogState> dialog;

  // 9. images and layers
  SourceImages images;
  ScaledLayers layers;
  ElementLayers element_layers;
  FrameLayers frame;

  // 10. sparks
  std::vector<SparkParticle> sparks;

  // 11. content lists
  std::vector<LauncherLink> links;
  std::vector<LauncherNews> news;
  std::vector<LauncherInfo> info;

  // 12. texts
  std::string opening_caption;  // "05 de dezembro · 20h"
  std::string server_status_text;  // "ONLINE", "OFFLINE"; empty = not known yet
  std::string status_text;
  std::string detail_text;
  std::string speed_text;
  std::string play_caption;

  // 13. laid-out items
  MainLayout layout;
  mutable SpriteCache sprites;  // finished texts and shadows, reused by every repaint (a cache, not state)

  // 14. main hit regions, in drawing order
  std::vector<HitRegion> hit_regions;

  // 15. scale and canvas
  float scale = 1.0f;
  uint32_t canvas_width = 1;   // ceil(1100 x scale)
  uint32_t canvas_height = 1;  // ceil(660 x scale)
  Canvas canvas;

  // 16. clocks (UI clock values are seconds since start_instant_ns)
  double ui_clock = 0.0;
  double intro_start = INTRO_NOT_STARTED;
  double last_background_time = -1.0;  // negative = never painted
  double online_since = 0.0;
  float progress_last = 0.0f;  // last target given to progress_main

  // 17. flags
  bool refresh_request = false;
  bool redraw_needed = false;
  bool play_armed = false;
  bool windowed = true;
  bool minimized = false;
  bool force_full_redraw = false;
  bool server_online = false;
};

// The UI clock now: seconds since the state's start instant, read through its clock seam.
inline double ui_clock_now(const UiState& ui) {
  return seconds_between(ui.start_instant_ns, ui.clock.monotonic_ns());
}

}  // namespace qo
