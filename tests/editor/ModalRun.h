#pragma once
// Runs one of the editor's modal dialogs the way a user would.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "EditorFixture.h"

namespace edtest {

// Clicks `button`; `inside` runs while the modal `dialog` is shown, which is then cancelled.
template <class Dialog>
void runModal(Dialog* dialog, QWidget* button, const std::function<void()>& inside) {
  bool ran = false;
  QTimer::singleShot(0, dialog, [&] {
    ran = true;
    if (dialog->isVisible()) inside();
    if (dialog->isVisible()) click(dialog->AbortBitBtn);
  });
  click(button);
  EXPECT_TRUE(ran);
  EXPECT_FALSE(dialog->isVisible());
}

}  // namespace edtest
