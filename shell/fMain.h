#pragma once
// The main window: it owns the state of the running program that the other windows read and
// write as its fields, and the archive list, picture selection, production and settings pages.
#include <QColor>
#include <QMainWindow>
#include <QStringList>
#include <functional>

#include "Placeholders.h"
#include "StringList.h"

class QAction;
struct DecodedPicture;
class RunningRead;
class QCloseEvent;
class QEvent;
class TMediaPlayer;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;
class QVBoxLayout;
class QWidget;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // Shared state (folders carry a trailing '/').
  QString FAppDir;             // program folder
  QString FTempPicFolder;      // FAppDir + "temppic/": converted copies of source pictures
  QString FDrive;              // storage root of the archive (see Drives.h); empty: home folder
  QString FArchiveRoot;        // root + "Kalvora/" (English "Pelmora/")
  QString FVideoFolder;        // root + "DVD-Diashow/" (English "DVD-Slideshow/")
  QString FEncoderFolder;      // FVideoFolder + "encoder/"
  QString FExportFolder;       // root + "CDROM-Export/"
  QString FScreensaverFolder;  // documents + "Diashow_Screensaver/" (English "Slideshow_Screensaver/")
  QString FPersonalFolder;     // the user's documents folder
  QString FSourceFolder;       // folder last read into the source list
  QString FArchiveFolder;      // name of the open slideshow folder ("Archive_0001"), no separator
  QString FDiashowTitle;
  QString FSecondsPerPicture;  // as typed
  QString FCurrentPicturePath;
  QColor FBackgroundColor = Qt::black;
  QColor FTextColor = Qt::black;
  int FTextOffset = 0;
  int FEffectNumber = 0;
  kalvora::StringList FEffectsList;  // lines of Effects.ini
  int FFramesPerSecond = 0;
  int FTransitionFrames = 0;
  int FPrintWidth = 0;
  QString FPaperFormat;
  bool FPrintInfoText = false;
  bool FPrintHeadline = false;
  bool FPrintAllPictures = false;

  // Picture selection and list editing state.
  int FFileCount = 0;
  int FFilesDone = 0;
  QString FPreviewItem;
  QString FLastPreviewItem;
  int FSavedDiashowIndex = 0;
  bool FModifierKeyDown = false;
  bool FDragFromSourceList = false;
  bool FDriveChanged = false;
  QStringList FDropList;
  int FDragIndex = 0;
  bool FDragOverList = false;
  int FDragScrollPos = 0;
  bool FPreviewToggle = false;
  int FAudioDragIndex = 0;
  bool FAudioPageShown = false;
  // Lines of the open slideshow's Pictures.ini that the list does not show: names reaching
  // outside the folder, and pictures missing when it was opened (renamed for a while, a drive
  // not mounted). They are written back unchanged, in their place: after the nearest item that
  // stood before them in the file, so that nothing of the user's file is lost.
  struct KeptPictureLine {
    QString line;
    QStringList after;  // the keys (PictureItemKeys) of the items before it, nearest first
  };
  QList<KeptPictureLine> FKeptPictureLines;
  // The open slideshow as opened or saved last: each picture line's name and caption, the
  // title and the time (what HasUnsavedChanges compares with).
  QList<QPair<QString, QString>> FSavedEntries;
  QString FSavedTitle;
  QString FSavedTime;
  // Problems met during start-up, reported together once the window is set up.
  QStringList FStartupProblems;

  // Controls (objectName = member name).
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet5 = nullptr;  // archive list
  QWidget* TabSheet1 = nullptr;  // picture selection
  QWidget* TabSheet4 = nullptr;  // production
  QWidget* TabSheet3 = nullptr;  // slideshow settings
  QWidget* TabSheet2 = nullptr;  // general settings
  QStatusBar* StatusBar1 = nullptr;
  QProgressBar* PicProgressBar = nullptr;
  QTimer* Timer1 = nullptr;
  QTimer* Timer2 = nullptr;
  QMenu* PopupMenu1 = nullptr;

  // Menus.
  QMenu* Datei1 = nullptr;
  QMenu* Diashow1 = nullptr;
  QMenu* Drucken1 = nullptr;
  QMenu* Einstellungen1 = nullptr;
  QMenu* Hilfe1 = nullptr;
  QAction* NewDiashow1 = nullptr;
  QAction* OpenDiashow1 = nullptr;
  QAction* DeleteDiashow1 = nullptr;
  QAction* Import1 = nullptr;
  QAction* Programmbeenden1 = nullptr;
  QAction* Diashowerstellen1 = nullptr;
  QAction* CDfrFotolaborerstellen1 = nullptr;
  QAction* AlleDrucken1 = nullptr;
  QAction* AusgewhlteDrucken1 = nullptr;
  QAction* bersichtThumbnailsdrucken1 = nullptr;
  QAction* bersichtThumbnailsDrucken2 = nullptr;
  QAction* EinstellungenDiashow1 = nullptr;
  QAction* Allgemein1 = nullptr;
  QAction* Hilfedatei1 = nullptr;
  QAction* Update1 = nullptr;
  QAction* Info1 = nullptr;

  // Archive list page.
  QListWidget* OpenListBox = nullptr;
  QPushButton* NewBitBtn = nullptr;
  QPushButton* Open1BitBtn = nullptr;
  QPushButton* Delete1BitBtn = nullptr;
  QPushButton* BetrachterBitBtn = nullptr;
  QLabel* Image2 = nullptr;  // banner picture

  // Picture selection page.
  QPushButton* OpenBitBtn = nullptr;
  QLabel* Label1 = nullptr;
  MarkupListBoxControl* FileListBox = nullptr;  // PLACEHOLDER: TMarkupListBox
  QToolButton* SpeedButton1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QToolButton* SpeedButton3 = nullptr;
  QToolButton* SpeedButton4 = nullptr;
  QFrame* ListBoxPanel = nullptr;
  MarkupListBoxControl* DiashowListBox = nullptr;  // PLACEHOLDER: TMarkupListBox, made at run time
  QLabel* DiashowLabel = nullptr;
  QFrame* TextPanel = nullptr;
  QLabel* TextLabel = nullptr;
  QLineEdit* TextEdit = nullptr;
  QLabel* Label5 = nullptr;
  PicImageControl* ViewPicImage = nullptr;  // PLACEHOLDER: TPicImage
  PicImageControl* PicImage3 = nullptr;     // PLACEHOLDER: TPicImage (hidden thumbnail maker)
  QPushButton* BildbearbeitungBitBtn = nullptr;
  QPushButton* Betrachter2BitBtn = nullptr;
  QToolButton* SpeedButton5 = nullptr;
  QToolButton* SpeedButton6 = nullptr;
  QToolButton* SpeedButton7 = nullptr;
  QToolButton* SpeedButton9 = nullptr;
  QToolButton* SpeedButton10 = nullptr;

  // Production page.
  QPushButton* DruckenBitBtn = nullptr;
  QPushButton* FotolaborBitBtn = nullptr;

  // Slideshow settings page.
  QGroupBox* GroupBox2 = nullptr;  // audio titles
  QListWidget* AudioListBox = nullptr;
  QPushButton* OpenAudioBitBtn = nullptr;
  QPushButton* StartRipperBitBtn = nullptr;
  QPushButton* InfoBitBtn = nullptr;
  QPushButton* DeleteAudioBitBtn = nullptr;
  QPushButton* PlayBitBtn = nullptr;
  QPushButton* PauseBitBtn = nullptr;
  QPushButton* StopBitBtn = nullptr;
  QGroupBox* GroupBox3 = nullptr;  // time per picture
  QLabel* Label8 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* SecEdit = nullptr;
  QGroupBox* GroupBox4 = nullptr;  // player options
  QCheckBox* EndlessPlayCheckBox = nullptr;
  QCheckBox* FullscreenCheckBox = nullptr;
  QCheckBox* ManuellCheckBox = nullptr;
  QCheckBox* TextCheckBox = nullptr;
  QCheckBox* PictureNameCheckBox = nullptr;
  QGroupBox* GroupBox7 = nullptr;  // colours and caption offset
  QPushButton* TextcolorButton = nullptr;
  QPushButton* BKGColorButton = nullptr;
  QFrame* TextColorPanel = nullptr;
  QFrame* BKGColorPanel = nullptr;
  QLabel* TextOffsetLabel = nullptr;
  QSpinBox* SpinEdit2 = nullptr;
  QGroupBox* GroupBox5 = nullptr;  // transitions
  QRadioButton* OFFRadioButton = nullptr;
  QRadioButton* ONRadioButton = nullptr;
  QRadioButton* RNDRadioButton = nullptr;
  QFrame* EffectPanel = nullptr;
  QLabel* Label27 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QPushButton* ShowAgainButton = nullptr;
  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER: TPicImage (effect preview)
  QGroupBox* GroupBox8 = nullptr;
  QPushButton* MakeDiashowBitBtn = nullptr;
  QPushButton* AbbrechenBitBtn = nullptr;

  // General settings page.
  QGroupBox* GroupBox1 = nullptr;
  QComboBox* DriveComboBox1 = nullptr;
  QPushButton* PathButton = nullptr;
  QLineEdit* TitleEdit = nullptr;
  QLabel* TitleLabel = nullptr;  // names TitleEdit
  QCheckBox* TipsCheckBox = nullptr;
  QCheckBox* PrintPreviewCheckBox = nullptr;
  QPushButton* Uebernehmen2BitBtn = nullptr;

  // Start-up and set-up.
  void CreateDiashowListBox();
  void FreeDiashowListBox();
  bool CreateShellLink(const QString& target, const QString& linkFile, const QString& description);

  // Settings.
  void LoadGeneratorSettings();
  // Both tell the user when the file could not be written, and return false then.
  bool SaveGeneratorSettings();
  bool WritePlayerSettings();

  // Slideshow folders.
  QString NewArchiveFolder();
  void OpenArchive(const QString& folder);
  // false when Pictures.ini could not be written (reported; the old file stays as it was).
  bool SavePictureList();
  // The lines SavePictureList writes: the list's items with the kept lines in their place.
  QStringList PictureListLines() const;
  // One key per list item: its name without case and how often the name came before.
  QStringList PictureItemKeys() const;
  // True when a kept line names the picture file name (without case).
  bool KeptLineNames(const QString& fileName) const;
  // True when closing the open slideshow now would lose what the user changed in it: the
  // list (captions, order) or the title and time differ from what was opened or saved last.
  bool HasUnsavedChanges() const;
  // The open slideshow as it stands now counts as saved (after opening, creating, saving).
  void MarkSlideshowSaved(bool list = true, bool titleAndTime = true);
  // Writes Pictures.ini and Diashow.ini of the open slideshow; false (reported) when the title
  // is blank or a file could not be written.
  bool SaveOpenSlideshow();
  // Asks (Ja / Nein / Abbrechen) before the open slideshow's unsaved changes would be dropped;
  // true when the caller may go on (nothing changed, saved, or the changes are to go).
  bool ConfirmDropChanges();
  void RemovePictureFromDiashow(int index);
  bool SaveAndStartPlayer(bool start);  // false when nothing or not all could be saved
  void DeleteFiles(const QString& mask);
  void UpdateDiashowLabel();
  void FillArchiveList();
  // listClosing: the list's items are no longer shown, so their numbered thumbnails go too.
  void DeleteOrphanThumbs(bool listClosing = false);
  QString SlideshowFolder() const;  // FArchiveRoot + FArchiveFolder + "/"
  QString PlayerPath() const;       // the player in the archive root

  // Thumbnails (the picture work itself is an imaging hook until the picture component lands).
  // decoded: the picture read ahead by a worker (nullptr: the maker loads it itself).
  void MakeThumb(const QString& path, int height, bool toCache, bool overwrite,
                 const DecodedPicture* decoded = nullptr);
  // A file name for the thumbnail cache made from a picture's full path.
  static QString MakeDosName(const QString& name);

  // Thumbnails and list items.
  // A free file path beside path: base + "_" + n + "." + extension, n = 1, 2, ...
  // taken: also counts a path as taken (besides an existing file).
  static QString UniqueCopyName(const QString& path, const std::function<bool(const QString&)>& taken = {});
  // The first n for which the numbered thumbnail of the picture fileName is free: no file has
  // its name, and no picture (on disk or in a kept line) would take it as its own thumbnail.
  int FreeThumbnailNumber(const QString& fileName) const;
  void AddPictureToDiashow(const QString& source, int index);
  void SetCurrentPicturePath();
  // source: the picture to draw the thumbnail from while the editor has the edit in its working copy.
  void RefreshSelectedThumbnail(const QString& source = QString());
  // Removes a numbered thumbnail of fileName that a refresh has replaced, unless it is still
  // shown or is another picture's own.
  void RemoveReplacedThumbnail(const QString& thumbnail, const QString& fileName);

  // Reading a source folder and previewing pictures.
  void OpenBitBtnClick();
  void BilderEinlesen(const QString& folder);
  // Tests: called on the main thread when a folder read reaches a phase, as a pass of the event
  // loop would be; the read ends if the call started another one or closed the window.
  enum class ReadPhase { Copies, Listing };
  std::function<void(ReadPhase)> OnReadPhase;
  void ClearTempPicFolder();
  void DeleteConvertedCopies(const QString& folder);
  void FileListBoxClick();
  void FileListBoxDblClick();
  void Timer1Timer();
  void Timer2Timer();
  void ShowPreview(const QString& item, bool fromDiashow, bool force);
  void ShowPictureInfo(const QString& path);
  static QString FileFormatName(int format);
  void EnablePictureTools();
  void DisablePictureTools();
  void DiashowListBoxKeyDown(int key);
  void DiashowListBoxKeyUp(int key);
  void DirectoryListBox1Click();

  // Editing the slideshow list.
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void ForgetRemovedPreview();
  void SpeedButton4Click();
  void DiashowListBoxMouseDown(int x, int y);
  void DiashowListBoxDragOver(QObject* source, int x, int y, bool& accept);
  void DiashowListBoxDragDrop(QObject* source, int x, int y);
  void DiashowListBoxEndDrag(int x, int y);
  void DiashowListBoxClick();
  void TextEditChange();
  void RotateFlipPicture(const QString& command);
  void SelectOnlyItem(int index);
  void BildbearbeitungBitBtnClick();
  // Binds the picture selection page's controls and the slideshow list to their handlers.
  void SetUpPictureSelection();
  void SetUpDiashowListBox();

  // Transition effects and help.
  void ApplyEffect(int n);
  void Hilfedatei1Click();

  // Settings handlers.
  void FullscreenCheckBoxClick();
  void OFFRadioButtonClick();
  void SpinEdit1Change();
  // Shows the transition of the chosen effect between the two preview pictures ("Nochmal
  // zeigen" at once; a change of the effect box a moment after its last change).
  void PlayEffectPreview();
  QTimer* FEffectPreviewTimer = nullptr;
  // Tests: called as a preview starts to play, with its effect number.
  std::function<void(int effect)> OnEffectPreview;
  void SpinEdit2Change();
  void DriveComboBox1Change();
  void TitleEditChange();
  void SecEditChange();

  // Archive list and archive management (fMainArchiveList.cpp).
  QString FSlidoraFolder;  // the sibling program's slideshows: home folder + "diashow/"
  bool CheckArchiveSelected();
  QString SelectedArchiveFolder() const;  // the folder of the selected archive list line
  void NewBitBtnClick();
  void Open1BitBtnClick();
  void OpenListBoxDblClick();
  void Delete1BitBtnClick();
  void ImportSlidoraClick();
  void BetrachterBitBtnClick();
  // The viewer from the picture page: the open slideshow, from the picture selected there.
  void Betrachter2BitBtnClick();

  // CD export and screensaver (fMainExport.cpp); false when something failed (reported).
  bool ExportToCd(bool picturesOnly);
  bool InstallScreensaver();
  bool RecreateExportFolder(const QString& folder);

  // Audio titles and the CD ripper (fMainAudio.cpp).
  TMediaPlayer* MediaPlayer1 = nullptr;
  QString FRipperProgram = QStringLiteral("cdparanoia");
  void OpenAudioBitBtnClick();
  void DeleteAudioBitBtnClick();
  void AudioListBoxClick();
  void InfoBitBtnClick();
  void ShowAudioInfo(const QString& path);
  void AudioSelectionChanged();
  void PlayBitBtnClick();
  void PauseBitBtnClick();
  void StopBitBtnClick();
  void AudioListBoxMouseDown(int row);
  void AudioListBoxDragDrop(int row);
  void RefreshAudioList();
  void RenumberAudioFiles();
  void StartRipper();
  bool RunAndWait(const QString& folder, const QString& program, const QStringList& parameters);
  // Sample rate and channel mode of an audio file (through the audio information window when
  // it exists); error gets why the file could not be read.
  void ProbeAudio(const QString& file, QString& sampleRate, QString& channelMode, QString& error);

  // Production, print and publishing dispatch (fMainDispatch.cpp).
  void ShowProductionWizard(bool ask);
  void RunProductionStep();
  void PrintList();
  void PrintThumbnails();
  static QString DefaultPrinterName();
  void MakeDiashowBitBtnClick();
  void AbbrechenBitBtnClick();
  void Diashowerstellen1Click();
  void PreselectProduction(const QString& radioButton);
  void DruckenBitBtnClick();
  void PageControl1Change(int index);

  // Settings handlers and the end of the program (fMainExit.cpp).
  void SecEditExit();
  void BKGColorButtonClick();
  void TextcolorButtonClick();
  void TipsCheckBoxClick();
  void Allgemein1Click();
  void Uebernehmen2BitBtnClick();
  void LeaveGeneralSettings();
  void ViewPicImageDblClick();
  void Info1Click();
  void Update1Click();
  void FormActivate();
  void FormClose();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  // The pages and groups of the window, each with its controls.
  void BuildPages();
  void BuildArchivePage();
  void BuildSelectionPage();
  QVBoxLayout* BuildSelectionArrows();
  QVBoxLayout* BuildPreviewLayout();
  void BuildProductionPage();
  void BuildSlideshowPage();
  void BuildMusicGroup();
  void BuildSecondsGroup();
  void BuildPlaybackGroup();
  void BuildColourGroup();
  void BuildEffectGroup();
  void BuildFinishGroup();
  void BuildGeneralPage();
  void BuildMenus();
  // The passes of a folder read after its count: copies into the temporary folder, the JPEG
  // copies made there, the listing with thumbnails. False: the read ends there (a failure
  // reported, or overtaken by another read or closing).
  bool CopySourcePictures(const QString& folder, const QStringList& names);
  bool ConvertSourcePictures(RunningRead& read, const QString& folder, bool readingTemp, QStringList& failed);
  bool ListSourcePictures(RunningRead& read, const QString& folder, QStringList& failed);
  void FormCreate();
  void SetTexts();
  // Both add the files they could not copy to copyFailures.
  void PrepareFolders(QStringList& copyFailures);
  void CopyPlayerFiles(QStringList& copyFailures);
  void ReportStartupProblems();
  void SelectDrive(const QString& drive);
  bool InSettingsLoad_ = false;
  void ConnectProductionHandlers();  // the handlers of fMainArchiveList/Export/Audio/Dispatch/Exit
  bool FTipsShown_ = false;
  QString FPreviewPath_;  // the picture the preview shows
  int FGeneralReturnPage_ = -1;  // the page the general settings were opened from
  bool FClosed_ = false;
  // The running folder read or slideshow open: its workers stop (and finish what they write)
  // before anything else touches the files; a newer read or closing ends the running one.
  int FReadGeneration_ = 0;
  std::function<void()> FStopRead_;
  void StopRunningRead();
  // Lets the window paint and answer while a read waits for its workers; false when the read
  // of generation has been overtaken by another one or by closing.
  bool KeepReading(int generation);
  friend class RunningRead;
};

extern TMainForm* MainForm;

