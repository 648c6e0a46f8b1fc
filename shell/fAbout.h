#pragma once
// The About box: product name, version and the maker's addresses.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

inline const QString VersionText = QStringLiteral("Version 1.0");
inline const QString MakerName = QStringLiteral("Tessaro");
inline const QString WebAddressText = QStringLiteral("www.tessaro.example");
inline const QString ProductPageAddress = QStringLiteral("https://www.tessaro.example/produkte/");
inline const QString ContactMailAddress = QStringLiteral("info@tessaro.example");
inline const QString AboutPictureName = QStringLiteral("about.jpg");  // in FAppDir + "recom/"

class TAboutBox : public TForm {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* ProductName = nullptr;
  QLabel* VersionLabel = nullptr;
  QLabel* Copyright = nullptr;
  QLabel* URLLabel = nullptr;
  QLabel* MailLabel = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* UpdateButton = nullptr;
  QPushButton* OKButton = nullptr;

  void URLLabelClick();
  void UpdateButtonClick();
  void MailLabelClick();
};

extern TAboutBox* AboutBox;
