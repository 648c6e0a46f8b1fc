#include "Windows.h"

#include <QWidget>
#include <vector>

#include "fMain.h"
#include "FlatMenu.h"
#include "fAbout.h"
#include "fAnweisung.h"
#include "fBetrachter.h"
#include "fBildbearbeitung.h"
#include "fCheckAudio.h"
#include "fDVD.h"
#include "fExport.h"
#include "fHTML.h"
#include "fNew.h"
#include "fNoDriver.h"
#include "fOnlineFoto.h"
#include "fOpen.h"
#include "fPicEffects.h"
#include "fPrintSelect.h"
#include "fPrintSize.h"
#include "fQRList.h"
#include "fQRListA5.h"
#include "fQRThumbnail.h"
#include "fRahmen.h"
#include "fSize.h"
#include "fText.h"
#include "fTip.h"
#include "fVelEffects.h"
#include "fVerschiebenTip.h"
#include "fWave.h"
#include "fWerbung.h"
#include "fWizardDVD.h"
#include "fWizardMake.h"
#include "fZuschneidenTip.h"
#include "fZuschneidenTip2.h"

namespace {
// The windows in creation order, for the reverse order at the end.
std::vector<QWidget**> g_created;

template <typename T>
void create(T*& instance) {
  instance = new T();
  g_created.push_back(reinterpret_cast<QWidget**>(&instance));
}
}  // namespace

void CreateWindows() {
  // The main window comes first: it is the application's main window, closing it ends the
  // program. Its set-up runs before any other window exists and touches none of them.
  MainForm = new TMainForm();
  // The flat menu look; through the manager every later window takes it too.
  auto* flatMenu = new TFlatMenu(MainForm);
  flatMenu->setObjectName("FlatMenu1");
  flatMenu->ApplyStoredConfiguration();
  flatMenu->Loaded();
  create(AboutBox);
  create(OpenForm);
  create(NewForm);
  create(NoDriverForm);
  create(MakeWizzard);
  create(DVDForm);
  create(DVDWizardForm);
  create(QRThumbnailForm);
  create(TipForm);
  create(HTMLForm);
  create(WaveForm);
  create(CheckAudioForm);
  create(WerbungForm);
  create(ExportForm);
  create(AnweisungForm);
  create(PrintSizeWizard);
  create(BildbeaerbeitungForm);
  create(PicEffectsForm);
  create(PainterEffectsF);
  create(SizeForm);
  create(ZuschneidenTipForm2);
  create(BetrachterForm);
  create(PrintSelectForm);
  create(ZuschneidenTipForm);
  create(VerschiebenTipForm);
  create(QRListA5Form);
  create(QRListForm);
  create(OnlineFotoForm);
  create(TextForm);
  create(RahmenForm);
}

void DestroyWindows() {
  for (auto it = g_created.rbegin(); it != g_created.rend(); ++it) {
    delete *(*it);
    *(*it) = nullptr;
  }
  g_created.clear();
  delete MainForm;
  MainForm = nullptr;
}

QStringList WindowCreationOrder() {
  return {"TMainForm", "TAboutBox", "TOpenForm", "TNewForm", "TNoDriverForm", "TMakeWizzard", "TDVDForm", "TDVDWizardForm", "TQRThumbnailForm", "TTipForm", "THTMLForm", "TWaveForm", "TCheckAudioForm", "TWerbungForm", "TExportForm", "TAnweisungForm", "TPrintSizeWizard", "TBildbeaerbeitungForm", "TPicEffectsForm", "TPainterEffectsF", "TSizeForm", "TZuschneidenTipForm2", "TBetrachterForm", "TPrintSelectForm", "TZuschneidenTipForm", "TVerschiebenTipForm", "TQRListA5Form", "TQRListForm", "TOnlineFotoForm", "TTextForm", "TRahmenForm"};
}
