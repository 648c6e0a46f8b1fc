#pragma once
// What the effect host needs of its painter-effects dialog. TPainterEffectsF (PainterEffectsF.h,
// with its tree of effects, track bars and OK/abort buttons) implements this; tests may use a fake.
#include "Bitmap24.h"

namespace kalvora {

class TFxDrawImage;

class FxEffectsDialog {
 public:
  // The dialog's bars the host reads or sets (their Position, Max).
  enum Bar { EBar, extrabar, cxbar, cybar };
  // The dialog's three panels the host shows or hides.
  enum Panel { HelligkeitPanel, EffectPanel, AutomaticPanel };

  virtual ~FxEffectsDialog() = default;

  // Stores the host; the dialog's bar and brightness handlers call back into it.
  virtual void SetDrawImage(TFxDrawImage* host) = 0;

  virtual int barPosition(Bar bar) const = 0;
  // The position is kept within the bar's range, as a track bar does.
  virtual void setBarPosition(Bar bar, int position) = 0;
  virtual int barMaximum(Bar bar) const = 0;
  // A position above the new maximum is pulled down to it.
  virtual void setBarMaximum(Bar bar, int maximum) = 0;

  virtual void setPanelVisible(Panel panel, bool visible) = 0;
  virtual bool panelVisible(Panel panel) const = 0;

  // The preview picture `Image` receives a copy of the bitmap and is repainted at once.
  virtual void showPreview(const Bitmap24& picture) = 0;

  // Shows the dialog modally and returns its modal result.
  virtual int showModal() = 0;
  // Shows the dialog without blocking.
  virtual void showModeless() = 0;
  // The dialog's automatic enhancement: has the editor load its working copy into the host,
  // puts its track bars at brightness 0, colour 350, contrast 0 and calls the host's
  // AdjustColors(0, 350, 0).
  virtual void RunAutoEnhance() = 0;
};

}  // namespace kalvora
