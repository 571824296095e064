#pragma once
// The window's backdrop: the slowly zooming hero picture under the darkening overlay, and the glass panels, each
// a blurred copy of the background behind it. Drawing it is too slow for every frame on the window's thread, so
// once the intro has run a worker thread draws it on request and hands back whole frames; before that the frame
// painter draws it itself with the same functions.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gfx/image_blit.h"
#include "gfx/pixmap.h"
#include "ui/ui_state.h"

namespace qo {

// Unchanged panels are drawn again at most this often; in between the glass shows an older background's blur.
inline constexpr double BACKDROP_REFRESH_SECS = 1.0;
// A new backdrop is asked for once the zoom would move some point of the picture this far (device px) from where
// the last one asked for shows it: between requests the picture stays closer than this to the exact one.
inline constexpr float BACKGROUND_SHIFT_LIMIT_PX = 0.25f;
// Canvas-sized background frames the window's thread and the worker share: the one shown and one being painted
// (or ready). The window asks the worker for a new frame only while fewer exist, else it waits for a spare; it
// takes a ready reply before it asks, so the frame the reply replaced goes straight back with the request.
inline constexpr uint32_t BACKDROP_FRAMES_IN_FLIGHT = 2;

// --- the animated background ------------------------------------------------------------------------------------

// The background's zoom at UI clock t: 1.02 to 1.08 and back, ease-in-out, 18 s each way.
float background_zoom(double t);

// Where the hero layer is drawn at a zoom: its device top-left corner and the factor it is scaled by. The layer
// holds the picture at zoom 1.08, so it is scaled by zoom / 1.08 about (550, 198), the point that divides the
// window as the cover fit divides the picture's overflow; the picture then covers the window at every zoom.
struct HeroPlacement {
  float x = 0.0f;
  float y = 0.0f;
  float factor = 1.0f;
};
HeroPlacement hero_placement(float hero_x, float hero_y, float scale, float zoom);

// The farthest any point of the picture inside the window moves, in device px, when the zoom goes from zoom_a to
// zoom_b: the zoom scales the picture about a fixed point, so the window corner farthest from it moves most.
float background_shift_px(float scale, float zoom_a, float zoom_b);

// Whether the window asks the worker for a backdrop at UI clock t: none was asked for yet, the picture at t lies
// BACKGROUND_SHIFT_LIMIT_PX or more from the last one asked for, that one's glass is BACKDROP_REFRESH_SECS old,
// or the panels changed. Otherwise the last backdrop stands: it differs from the one of t by less than the limit.
bool backdrop_request_due(const std::optional<BackdropAsked>& last, double t, std::span<const PanelBackdrop> panels,
                          float scale);

// The rectangles that make up `whole` less the union of `holes`: bands between the holes' top and bottom edges,
// each cut into the runs of columns that no hole crossing the whole band covers.
std::vector<ClipRect> rects_around(const ClipRect& whole, std::span<const ClipRect> holes);

// Paints the whole target: the near-black ground, the hero layer at 55 % at the zoom of t, the overlay on top
// (its top-left pixel at the target's). Neither layer may be the target itself. Pixels inside the `left_alone`
// rectangles (where opaque glass will replace them) are not touched.
void draw_animated_background(Pixmap& target, const Pixmap& hero_layer, float scale, float hero_x, float hero_y,
                              const Pixmap& overlay, double t, std::span<const ClipRect> left_alone = {});

// --- glass panels -----------------------------------------------------------------------------------------------

// A blurred panel backdrop and the device position of its top-left pixel in the frame.
struct PanelImage {
  int32_t x = 0;
  int32_t y = 0;
  Pixmap image;
};

// The device rectangle a panel covers in a frame (edges floored and ceiled, cut at the frame) and its blur at
// quarter size: the reduced image's size and the sigma it is blurred with. None when nothing of it lies inside.
struct PanelCut {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  uint32_t small_width = 0;
  uint32_t small_height = 0;
  float sigma = 0.0f;
};
std::optional<PanelCut> panel_cut(uint32_t frame_width, uint32_t frame_height, float scale, const PanelBackdrop& panel);

// The frame's pixels in columns left..right-1 and rows top..bottom-1 averaged over 4 x 4 blocks (edge blocks
// average fewer pixels), rounded per channel.
Pixmap reduce_quarter(const Pixmap& frame, int32_t left, int32_t top, int32_t right, int32_t bottom);

// The panel's glass: the frame behind it reduced to a quarter, blurred, enlarged back and cut to its rounded
// rectangle with an anti-aliased edge. None for a panel wholly outside the frame or with corners not finite.
std::optional<PanelImage> draw_panel(const Pixmap& frame, float scale, const PanelBackdrop& panel);

// Every panel's glass, in list order, panels that give no image left out.
std::vector<PanelImage> draw_panels(const Pixmap& frame, float scale, std::span<const PanelBackdrop> panels);

// Composites the panel images source-over onto the frame in order, each clipped to it.
void composite_panels(Pixmap& frame, std::span<const PanelImage> images);

// A panel's glass as the worker keeps it between redraws: the blurred quarter-size image, enlarged again each time
// it is composited (at scale 2 the four panels' glass is 5.5 MB enlarged, 0.35 MB small), and the few pixels the
// rounded cut changed (corners and anti-aliased edges), kept as they are, in runs along rows.
struct KeptPanel {
  struct Run {
    uint32_t row = 0;    // in the cut
    uint32_t first = 0;  // first column, in the cut
    uint32_t count = 0;
  };
  int32_t x = 0;  // device position of the cut's top-left pixel, as in PanelImage
  int32_t y = 0;
  uint32_t width = 0;  // the cut's size
  uint32_t height = 0;
  Pixmap small;
  // Every alpha of the small image is 254 or more, so is every enlarged sample's, and the samples are written
  // rather than blended (source-over of such a sample is the sample).
  bool opaque_enough = false;
  std::vector<Run> edge_runs;
  std::vector<uint32_t> edge_pixels;  // the cut's pixels of each run, in run order
};

// The panel's glass as draw_panel makes it, kept small. None where draw_panel gives none. Only bands of a few rows
// are ever enlarged at once while it is made.
std::optional<KeptPanel> keep_panel(const Pixmap& frame, float scale, const PanelBackdrop& panel);
std::vector<KeptPanel> keep_panels(const Pixmap& frame, float scale, std::span<const PanelBackdrop> panels);

// Gives the frame exactly what composite_panels gives it with the images draw_panel makes for the same panels,
// except inside `left_alone`, where the frame must already show this glass (a frame composited with it before).
void composite_kept_panels(Pixmap& frame, std::span<const KeptPanel> panels,
                           std::span<const ClipRect> left_alone = {});

// The frame rectangle of a kept panel where its composite writes the glass whatever lies under it (opaque enough,
// no edge pixel), grown from the cut's centre: none when the centre is not such glass.
std::optional<ClipRect> opaque_interior(const KeptPanel& panel);
std::vector<ClipRect> opaque_interiors(std::span<const KeptPanel> panels);

// The window's four glass panels in drawing order: header, news panel, server panel, footer.
std::vector<PanelBackdrop> main_panel_backdrops(const MainLayout& layout);

// --- rendering a request ----------------------------------------------------------------------------------------

// The backdrop drawn on the calling thread: the background at the request's t with every panel's glass drawn
// afresh, in a canvas-sized frame. What the frame painter shows before the worker starts.
void render_backdrop_now(Pixmap& target, const ScaledLayers& layers, float scale, const BackdropRequest& request);

// What the worker draws from: the scaled layers it needs, shared with the window's state.
struct BackdropScene {
  SharedPixmap hero = std::make_shared<const Pixmap>();
  float hero_x = 0.0f;
  float hero_y = 0.0f;
  SharedPixmap overlay = std::make_shared<const Pixmap>();
  float scale = 1.0f;
  uint32_t width = 1;  // the canvas size
  uint32_t height = 1;
};
BackdropScene copy_backdrop_scene(const UiState& ui);  // shares the layers, copies the rest

// The worker's drawing state: the frame it paints the background into and the panel images it keeps.
class BackdropRenderer {
 public:
  explicit BackdropRenderer(BackdropScene scene);

  // The background at the request's t with the glass composited on it, and the glass it shows. The panels are
  // drawn again only when BACKDROP_REFRESH_SECS have passed since they last were or when the list differs from the
  // last one drawn. The answer is painted into the request's spare frame when it has the canvas's size.
  BackdropReply answer(BackdropRequest request);
  // The answer's frame alone.
  Pixmap render(BackdropRequest request);

  // How many times the panels were drawn (for tests).
  uint64_t panel_renders() const { return panel_renders_; }

 private:
  BackdropScene scene_;
  double last_t_ = -100.0;  // so the first request always draws the panels
  std::vector<PanelBackdrop> last_panels_;
  std::vector<KeptPanel> kept_panels_;
  std::vector<ClipRect> opaque_glass_;  // where the kept glass replaces the background (opaque_interiors)
  uint64_t glass_ = 0;                   // the number of the kept glass
  uint64_t panel_renders_ = 0;
};

// True when a panel list differs from another: another length, or any field unequal (NaN is unequal).
bool panel_lists_differ(std::span<const PanelBackdrop> a, std::span<const PanelBackdrop> b);

// The worker's loop: serves each request that arrives until the request channel closes or a reply finds no
// receiver.
void backdrop_render_worker(BackdropScene scene, BoundedReceiver<BackdropRequest> requests,
                            BoundedSender<BackdropReply> replies);

// Starts the worker on the state's scaled layers.
BackdropWorkerLink start_backdrop_worker(const UiState& ui);

// Offers a request without waiting; false when the worker is still busy with an earlier one (this frame's
// request is then skipped, and the request with its spare frame stays with the caller) or is gone.
bool offer_backdrop_request(BackdropWorkerLink& link, BackdropRequest&& request);

// A reply the worker has ready, taken without waiting. A reply whose size is not width x height (drawn for
// another scale) is discarded.
std::optional<BackdropReply> take_backdrop_reply(BackdropWorkerLink& link, uint32_t width, uint32_t height);

}  // namespace qo
