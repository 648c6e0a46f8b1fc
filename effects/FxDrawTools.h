#pragma once
// TFxDrawTools: the mouse drawing tools of the effect host TFxDrawImage.
//
// One instance attaches to a host (it becomes the host's child and filters its mouse events, so
// the host's own mouse handlers are not called). The tool is the host's `Shape`; the pen and
// brush the tools draw with are those of Canvas(), which the caller sets. Press, drag and
// release run the tool on the host's picture (kept in 24 bits): shapes with a rubber band while
// the button is held, brushes while the mouse moves, multi-click figures over several presses.
// The brush, lens, sphere, star, symmetry and spirograph routines are public so they can be used
// and tested alone.
//
// The tool state belongs to the instance (not to all hosts at once), so two hosts never share a
// half-drawn figure.
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <initializer_list>
#include <vector>

#include "Bitmap24.h"
#include "FxCanvas.h"
#include "Random.h"

namespace kalvora {

class TFxDrawImage;

class TFxDrawTools : public QObject {
  Q_OBJECT

 public:
  explicit TFxDrawTools(TFxDrawImage* host);
  ~TFxDrawTools() override;

  TFxDrawImage* host() const { return host_; }
  // The canvas of the host's picture: set Pen and Brush here before drawing.
  TFxCanvas& Canvas();

  // Generator of "spray" and the textures (not owned; nullptr = FxRandom::shared()).
  void setRandom(FxRandom* random) { random_ = random; }
  FxRandom& random() const { return random_ ? *random_ : FxRandom::shared(); }

  // ---- Mouse handlers (control = picture pixels) ----------------------------------------------------
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
  void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

  // Every name a handler recognises: the host's 100 tool names, the extra tools and the step
  // names of the multi-step figures.
  static const std::vector<QString>& KnownTools();

  // ---- Work bitmap transfers ---------------------------------------------------------------------
  void ClearWork(TColor colour);
  // The range of the picture (corners included, clipped to the picture) into the work bitmap with
  // the range copy mode.
  void CopyRangeToWork();
  void CopyPictureToWork();
  // Rect r of the picture (plus one pixel right and below) into the work bitmap.
  void CopyRectToWork(const QRect& r);
  void SnapshotPicture();
  // The work bitmap becomes the picture.
  void WorkToPicture();

  // ---- Brushes --------------------------------------------------------------------------------------
  // Kinds 0 .. 13; r at least 5.
  void ApplyRoundBrush(int kind, int x, int y, int r);
  // Kinds 0 (lightness), 1 (contrast), 2 (saturation).
  void ApplyAdjustBrush(int kind, int x, int y, int amount, int r);
  // Kinds 3 .. 15.
  void ApplyLensBrush(int kind, int x, int y, double amount, int r);
  // Kinds 0 .. 3. The band is worked out but its transformation keeps the picture as it is.
  // Returns the band (left, top, right, bottom).
  QRect ApplyBandBrush(int kind, int x, int y, double angle, int r);
  void ZoomLens(int x, int y, int r);
  // Grid cell of `blocks` x `blocks` under (x, y); empty when a cell would have no pixels.
  QRect BlockCellRect(int x, int y) const;

  // ---- Figures --------------------------------------------------------------------------------------
  // A star (or polygon) about the origin with first vertex p.
  void DrawStar(QPoint p);
  void InitSymmetry(QPoint p);
  void DrawSymmetryStroke(QPoint p);
  // Returns the number of segments drawn (0 when a message was shown instead).
  int DrawSpirograph(QPoint p1, QPoint p2);

  // ---- State (read by tests) -------------------------------------------------------------------------
  QPoint origin() const { return origin_; }
  QPoint lastPoint() const { return last_; }
  bool drawing() const { return drawing_; }
  int polygonCount() const { return polyCount_; }
  const std::array<QPoint, 101>& polygonPoints() const { return poly_; }
  const std::vector<QPoint>& figureVertices() const { return vertices_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void bind();
  void done();
  int pictureWidth() const;
  int pictureHeight() const;
  void line(QPoint a, QPoint b);
  void bandLine(QPoint p);
  void bandRect(QPoint p, bool dotted);
  void bandRoundRect(QPoint p);
  void bandEllipse(QPoint p);
  void drawCube();
  void drawParallelogram();
  void drawTriangle();
  void drawCurve();
  void cornersForUnlocked();
  void decoLine(QPoint to, bool oval);
  void finishMultiClick(Qt::KeyboardModifiers shift, int x, int y);
  void drawWork(int x, int y, std::uint32_t mode);
  double dragAngle(QPoint p) const;
  int dragRadius(QPoint p) const;
  int limitRadius(long long r) const;
  // Copies the picture to the work bitmap when their sizes differ; false when there is none.
  bool prepareWork();
  void followMouse(Qt::KeyboardModifiers shift, QPoint p);
  int penRadius() const;
  bool bandIsFigure() const;
  void eraseBandLine();
  void eraseBandEllipse();
  void eraseDottedBand();

  // What the tool does on a move and on a release: a step looked up by the tool's name.
  struct Gesture {
    Qt::KeyboardModifiers shift;
    QPoint p;  // the mouse point
    int kind;  // the brush kind of the brush tools
  };
  using ToolStep = void (TFxDrawTools::*)(const Gesture&);
  struct ToolEntry {
    ToolStep step;
    int kind;
  };
  using ToolTable = QHash<QString, ToolEntry>;
  struct ToolRow {
    std::initializer_list<const char*> names;
    ToolStep step;
    int kind = 0;  // of the first name; each name after it takes the next kind
  };
  static ToolTable toolTable(std::initializer_list<ToolRow> rows);
  void runStep(const ToolTable& steps, Qt::KeyboardModifiers shift, QPoint p);
  void moveTool(Qt::KeyboardModifiers shift, QPoint p);
  void releaseTool(Qt::KeyboardModifiers shift, QPoint p);

  // Move steps.
  void moveLineBand(const Gesture& g);
  void moveRectBand(const Gesture& g);
  void moveRoundRectBand(const Gesture& g);
  void moveEllipseBand(const Gesture& g);
  void moveDottedBand(const Gesture& g);
  void moveLineTo(const Gesture& g);
  void moveBorderWave(const Gesture& g);
  void moveDecoLine(const Gesture& g);
  void moveStraightLine(const Gesture& g);
  void moveMirrorLines(const Gesture& g);
  void moveSymmetry(const Gesture& g);
  void moveSpray(const Gesture& g);
  void moveAirbrush(const Gesture& g);
  void fillBlock(const Gesture& g);  // also the release step of "blocks"
  void moveCubeDepth(const Gesture& g);
  void moveSkewCorner(const Gesture& g);
  void moveTriangleCorner(const Gesture& g);
  void moveBezierEnds(const Gesture& g);
  void moveBezierControl(const Gesture& g);
  void movePolyBezier(const Gesture& g);
  void moveRange(const Gesture& g);
  void smearRange(const Gesture& g);
  void movePaste(const Gesture& g);
  void moveClone(const Gesture& g);
  void moveZoomLens(const Gesture& g);
  void moveFishEye(const Gesture& g);
  void moveFishEyeFix(const Gesture& g);
  void moveTwist(const Gesture& g);
  void moveLensBrush(const Gesture& g);
  void moveBandBrush(const Gesture& g);
  void moveAdjustBrush(const Gesture& g);
  void moveRoundBrush(const Gesture& g);
  void moveGradientBrush(const Gesture& g);

  // Release steps.
  void releaseZoomLens(const Gesture& g);
  void releaseTransCopy(const Gesture& g);
  void releaseTexture(const Gesture& g);
  void releaseCubeFace(const Gesture& g);
  void releaseCubeDepth(const Gesture& g);
  void releaseInterference(const Gesture& g);
  void releaseSphere(const Gesture& g);
  void releaseSphereRow(const Gesture& g);
  void releaseNestedFigures(const Gesture& g);
  void releaseMaze(const Gesture& g);
  void releaseStars(const Gesture& g);
  void releaseSpiral(const Gesture& g);
  void releaseGlobe(const Gesture& g);
  void releaseArcBox(const Gesture& g);
  void releaseArcStart(const Gesture& g);
  void releaseArcEnd(const Gesture& g);
  void releaseSkewSide(const Gesture& g);
  void releaseSkewCorner(const Gesture& g);
  void releaseTriangleSide(const Gesture& g);
  void releaseTriangleCorner(const Gesture& g);
  void releaseDecoBar(const Gesture& g);
  void releaseDecoOval(const Gesture& g);
  void releasePolyPoint(const Gesture& g);
  void releaseLine(const Gesture& g);
  void releaseSpiro(const Gesture& g);
  void releaseCone(const Gesture& g);
  void releaseBezier(const Gesture& g);
  void releaseFloodFill(const Gesture& g);
  void releaseSnapshot(const Gesture& g);
  void releaseBars(const Gesture& g);
  void releaseBorder(const Gesture& g);
  void releasePaste(const Gesture& g);
  void releasePasteColour(const Gesture& g);
  void releaseZoomKeep(const Gesture& g);
  void releasePaintPick(const Gesture& g);

  TFxDrawImage* host_;
  TFxCanvas canvas_;
  FxRandom* random_ = nullptr;

  QPoint origin_, last_;
  bool drawing_ = false;
  TPenMode savedPenMode_ = pmCopy;
  TColor savedPenColor_ = 0, savedBrushColor_ = 0xFFFFFF;
  TBrushStyle savedBrushStyle_ = bsSolid;
  int savedPenWidth_ = 1;
  enum class Direction { None, H, V } direction_ = Direction::None;
  std::array<QPoint, 5> P_{};
  QRect arcBox_;  // left, top, right, bottom as stored points (not a QRect size)
  QPoint arcA_, arcB_;
  std::array<QPoint, 4> C_{};
  bool lock1_ = false, lock2_ = false;
  std::array<QPoint, 101> poly_{};
  int polyCount_ = 0;
  std::vector<QPoint> vertices_;
};

}  // namespace kalvora
