#include "fAbout.h"

#include <QPixmap>
#include <QVBoxLayout>

#include "AppDir.h"
#include "Language.h"
#include "Prompter.h"
#include "ShellConstants.h"
#include "ShellOpen.h"

TAboutBox* AboutBox = nullptr;

namespace {
void openOrComplain(const QString& address) {
  OpenWebAddress(address);
}

QLabel* link(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setText("<a href=\"#\">" + text.toHtmlEscaped() + "</a>");
  l->setCursor(Qt::PointingHandCursor);
  l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  return l;
}
}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : TForm("AboutBox", parent) {
  const QString product = ::ProductName(CurrentLanguage());
  setWindowTitle(product);
  auto* layout = new QVBoxLayout(this);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  QPixmap picture(kalvora::ProgramFolder() + "recom/" + AboutPictureName);
  if (!picture.isNull()) Image1->setPixmap(picture);
  layout->addWidget(Image1);
  ProductName = new QLabel(product, this);
  ProductName->setObjectName("ProductName");
  QFont big = ProductName->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() + 4);
  ProductName->setFont(big);
  layout->addWidget(ProductName);
  VersionLabel = new QLabel(VersionText, this);
  VersionLabel->setObjectName("VersionLabel");
  layout->addWidget(VersionLabel);
  Copyright = new QLabel(QString::fromUtf8("© ") + MakerName + QString::fromUtf8(". Alle Rechte vorbehalten."), this);
  Copyright->setObjectName("Copyright");
  layout->addWidget(Copyright);
  URLLabel = link(this, "URLLabel", WebAddressText);
  layout->addWidget(URLLabel);
  MailLabel = link(this, "MailLabel", ContactMailAddress);
  layout->addWidget(MailLabel);
  auto* buttons = new QHBoxLayout;
  UpdateButton = new QPushButton(QString::fromUtf8("Update"), this);
  UpdateButton->setObjectName("UpdateButton");
  OKButton = new QPushButton(QString::fromUtf8("OK"), this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  buttons->addWidget(UpdateButton);
  buttons->addStretch();
  buttons->addWidget(OKButton);
  layout->addLayout(buttons);
  connect(OKButton, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  connect(UpdateButton, &QAbstractButton::clicked, this, [this] { UpdateButtonClick(); });
  connect(URLLabel, &QLabel::linkActivated, this, [this] { URLLabelClick(); });
  connect(MailLabel, &QLabel::linkActivated, this, [this] { MailLabelClick(); });
}

void TAboutBox::URLLabelClick() { openOrComplain(ProductPageAddress); }
void TAboutBox::UpdateButtonClick() { openOrComplain(ProductPageAddress); }
void TAboutBox::MailLabelClick() { openOrComplain("mailto:" + ContactMailAddress); }
