#pragma once
// The control classes the windows declare their picture components and mark-up lists with:
// the picture component TPicImage (imaging/) and the mark-up list controls (listctrl/).
#include "MarkupChkList.h"
#include "MarkupListB.h"
#include "PicImageVCL.h"

using PicImageControl = TPicImage;
using MarkupListBoxControl = kalvora::TMarkupListBox;
using MarkupCheckListControl = kalvora::TMarkupCheckList;
inline constexpr TPaintSizeMode PicFitMode = smFit;
