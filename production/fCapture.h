#pragma once
// TCaptureForm: renders one transition between two key frames with a paint effect of the
// picture component and grabs it frame by frame as JPEG files ("inpNNNN" + 001 .. + ".jpg").
// The frames come from the component's own drawing surface (EffectFrame), so nothing on the
// screen can get into them. The picture conversion creates one window per transition, shows it
// until the transition is grabbed (Render, which leaves the other windows usable) and frees it.
//
// Rendering for a recording, the component paints without the effect's on-screen pauses (its
// delay paces the effect for a person watching); the frames are the same.
//
// It never hangs: when the paint ends without a status at or past the end threshold, or no
// paint comes at all, the window closes by itself; an effects file that is empty, too short or
// unreadable, or an effect number outside it, gives a cut (no frames).
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

#include "Form.h"
#include "PicImageVCL.h"

class QTimer;

// Where a capture window of `size` goes on the screen area `screen` while the window `beside`
// (its frame, screen coordinates) must stay in sight: to its right, left, below or above when
// there is room. Otherwise inside the screen over the part of `beside` that matters least:
// covering as little as possible of the `buttons` first, then of the other `keep` areas (its
// status line and progress), then of the window itself. Without `beside`, the screen's centre.
QPoint CapturePlace(const QRect& screen, const QRect& beside, const QList<QRect>& buttons,
                    const QList<QRect>& keep, QSize size);

class TCaptureForm : public TForm {
  Q_OBJECT
 public:
  explicit TCaptureForm(QWidget* owner = nullptr);
  ~TCaptureForm() override;

  QString FirstPicture;
  QString SecondPicture;
  QString FrameBaseName;
  int EffectNumber = 1;  // 1-based line of the effects file
  QString EffectsFile;
  // The window kept in sight (see CapturePlace); the window is centred on the screen without.
  QPointer<QWidget> Beside;
  // From the main window at construction: random effect (RNDRadioButton) and FTransitionFrames.
  bool RandomEffect = false;
  int TransitionFrames = 12;

  TPicImage* Pic1 = nullptr;

  int FrameCount() const { return FFrameCount; }
  // The imaging error met while loading a key frame (empty when none); the window closes.
  QString LoadError() const { return loadError_; }
  // The effect line used (0-based), -1 for a cut.
  int EffectIndex() const { return effectIndex_; }

  // Shows the window and returns when the transition is grabbed (mrOk). Unlike ShowModal it
  // takes no input away from the other windows, so the production window's Abbrechen stays
  // usable while the transitions are calculated.
  int Render();

  void FormActivate();
  // Sets Pic1's paint effect from line `index` of the effects file (random when RandomEffect);
  // false when there is no such usable line.
  bool LoadEffect(int index);
  void Pic1PaintNotify();
  void Pic1Status(int percent);

  // Tests put a component of their own (a stub effect) and a fixed seed.
  static std::function<TPicImage*(QWidget* parent)> PictureFactory;
  static std::optional<unsigned> RandomSeed;
  // Closes the window when no paint has come after this many milliseconds.
  static int WatchdogMilliseconds;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Sets the effect and paints the second key frame with it (once the first is shown).
  void StartEffect();
  void Grab();
  void Finish();

  bool FArmed = false;
  int FStatusCount = 0;
  int FFrameCount = 0;
  bool activated_ = false;
  bool waitingForFirst_ = false;
  bool secondPainting_ = false;
  QSize keySize_;
  bool finishing_ = false;
  int effectIndex_ = -1;
  QString loadError_;
  QTimer* watchdog_ = nullptr;
};
