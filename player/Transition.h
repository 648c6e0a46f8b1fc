#pragma once
// Our transitions between two pictures, and which one an effect code of Effects.ini gives.
//
// Effect codes come in sixteen ranges; each range maps to one family, and the code's
// offset in the range picks the direction or variant:
//   1000-1001 cut              2000-2554 wipe       3000-3005 box out/in   4000-4029 push
//   5000-5263 blinds           6000-6525 dissolve   7000-7263 checker      8000-8259 cross-fade
//   9000-9001 box out/in       10000-10003 push     11000-11006 wipe       12000-12009 blinds
//   13000-13007 checker        14000-14007 dissolve 15000-15035 wipe       16000-16035 cross-fade
// A code outside every range gives a cut. The grain sets the size of blinds, dissolve blocks
// and checker cells; the wand size draws a black edge line of that width along a wipe.
#include "PlayerFiles.h"

#include <QImage>

namespace kalvora::player {

enum class Family {
  Cut,
  WipeFromLeft, WipeFromRight, WipeFromTop, WipeFromBottom,
  PushFromLeft, PushFromRight, PushFromTop, PushFromBottom,
  BlindsHorizontal, BlindsVertical,
  Dissolve, Checker, Crossfade, BoxOut, BoxIn,
};

struct TransitionLook {
  Family family = Family::Cut;
  int grain = 5;
  int wandSize = 0;
};

TransitionLook LookForEffect(const EffectLine& line);
// Length of the transition of a line: more passes and a longer delay take longer; at most cap.
int TransitionMsForEffect(const EffectLine& line, int capMs);

// The frame at progress (0: only `from`, 1: only `to`) of the transition. Both pictures
// must have the same size; the result has that size, in Format_RGB32.
QImage ComposeTransition(const QImage& from, const QImage& to, const TransitionLook& look,
                         double progress);

}  // namespace kalvora::player
