#pragma once
// px paint effects: animated transitions from what a device shows to a new picture, gradients
// and patterns for the transition fills.
//
// Every transition is run in passes: pass k of n covers the progress from (k-1)/n to k/n in
// 100/n steps (at least one), so a whole effect reports about a hundred rising percentages
// (1..100) through the status callback, one per step, and ends at 100. When the callback
// answers 0 the pass stops at once, the area shows the new picture and kAborted is returned.
// The step just reported is already drawn in the canvas when the callback runs, so a callback
// can grab the canvas as a frame.
//
// Effect codes (an accepted code outside these families does not exist):
//   1000         plain paint (a cut; the steps all show the new picture)
//   1001         cross-fade
//   2000-2554    wipes: code % 8 picks the side or corner it starts from (left, right, top,
//                bottom, top-left, top-right, bottom-left, bottom-right); (code / 8) % 10 the
//                softness of the edge (0 hard .. 9 wide); (code / 80) the waviness of the edge
//   3000-3005    pushes and slides: the new picture pushes the old one out to the right, left,
//                down, up (3000-3003) or slides over it from the left or the top (3004, 3005)
//   4000-4029    blinds: code % 4 horizontal top-down, horizontal bottom-up, vertical
//                left-right, vertical right-left; the slat width is 4 x grain x (1 + code / 4 % 8)
//   5000-5263    checkerboards: code % 4 the direction in which the squares fill (right, down,
//                left, up); square size 4 x grain + 2 x (code / 4 % 66)
//   6000-6525    dissolves: blocks of grain x grain pixels appear in random order; code % 3
//                picks blocks, whole rows or whole columns of blocks; the code seeds the order
//   7000-7263    iris shapes: code % 4 rectangle opening, rectangle closing, diamond opening,
//                diamond closing; (code / 4) % 9 the centre (3 x 3 grid); code / 36 the softness
//   8000-8259    circles: code % 4 ellipse opening, ellipse closing, circle opening, circle
//                closing; centre and softness as for the iris shapes
//   9000-9001    clock: a hand sweeps from twelve o'clock clockwise (9000) or anticlockwise
//   10000-10003  spirals of squares: inward clockwise, inward anticlockwise, outward
//                clockwise, outward anticlockwise; square size 8 x grain
//   11000-11006  zooms: the new picture grows from the centre, from the four corners
//                (11001-11004), from the left edge (11005) or the old one shrinks away (11006)
//   12000-12009  splits (barn doors): open and close horizontally, vertically, both
//                (12004, 12005) and along the two diagonals (12006-12009)
//   13000-13007  combs: alternate strips come from opposite sides; code % 2 horizontal or
//                vertical strips, code / 2 the strip width (2 x grain x (1 + code / 2))
//   14000-14007  mosaics: the old picture breaks into growing blocks that resolve into the
//                new one; code % 8 sets the largest block (16 .. 128 pixels)
//   15000-15035  random bars: bars of 1 + code / 2 % 18 pixels appear in random order;
//                code % 2 horizontal or vertical
//   16000-16035  fans: code % 6 + 2 blades open together around the centre; (code / 6) % 2
//                the turning sense; code / 12 the starting angle (0, 30, 60 degrees)
// Effect grain (1..256) sets the cell sizes named above. The delay is waited after every step
// (milliseconds). With a wand size the moving edge of the reveal is drawn that many pixels wide
// in the wand colour (not on the last step). With the transparent colour, pixels of the new
// picture that have it are not painted.
//
// Gradient styles (for transition fills): 1000-1015 linear at 16 angles (1000 left to right,
// each further style 22.5 degrees clockwise); 2000-2007 radial from the centre or one of the
// seven other anchor points; 3000-3001 rectangular from the centre outward or inward;
// 4000-4001 diamond outward or inward; 5000-5007 conical around the centre starting at eight
// angles. `steps` colour bands between the two colours.
// Pattern styles 0..7: solid, transparent, horizontal, vertical, downward diagonal, upward
// diagonal, cross and diagonal cross hatching of the fore colour on the back colour
// (transparent keeps what the device shows).
#include <QColor>
#include <QImage>
#include <QRect>
#include <functional>

namespace px {

bool IsValidEffectCode(int code);
bool IsValidGradientStyle(int code);

struct EffectSettings {
  int code = 1000;
  int grain = 5;
  int delay = 0;
  bool useTransparent = false;
  uint32_t transparentRgb = 0;  // $00RRGGBB
  int wandSize = 0;
  uint32_t wandRgb = 0;         // $00RRGGBB
};

// Draws one frame of the transition at progress t (0..1) into canvas within area: `from` and
// `to` are what the device showed before and what it shows at the end (both the canvas's size,
// 32-bit formats). t = 1 gives exactly `to` in the area.
int EfxComposeFrame(QImage& canvas, const QImage& from, const QImage& to, const QRect& area,
                    const EffectSettings& settings, double t);
// Runs pass `pass` of `maxPasses` with status reports (see above). A pass beyond maxPasses
// draws the end state without reports. kInvalidParam for an unknown code or bad sizes.
// onStep, when given, runs after every drawn step, before its report (to show the canvas).
int EfxRunPass(QImage& canvas, const QImage& from, const QImage& to, const QRect& area,
               const EffectSettings& settings, int pass, int maxPasses,
               const std::function<void(const QRect&)>& onStep = {});

// A gradient of `size` (kInvalidParam style gives a null image).
QImage GradientImage(QSize size, int style, QColor start, QColor end, int steps);
// A pattern over `background` (same size as the result).
QImage PatternImage(const QImage& background, int style, QColor back, QColor fore);

}  // namespace px
