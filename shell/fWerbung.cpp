#include "fWerbung.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "AppDir.h"
#include "Prompter.h"
#include "ShellOpen.h"
#include "fMain.h"
#include "fTip.h"

TWerbungForm* WerbungForm = nullptr;

namespace {
struct Product {
  const char* name;
  const char* text;
  const char* picture;  // in the program folder's recom/
  const char* address;
};
const Product kProducts[] = {
    {"Slidora", "Diashows mit Musik für PC und Fernseher.", "m_slidora.jpg", "https://www.tessaro.example/slidora/"},
    {"Kalvora", "Fotos archivieren, bearbeiten, drucken und brennen.", "m_program.jpg",
     "https://www.tessaro.example/kalvora/"},
};
}  // namespace

TWerbungForm::TWerbungForm(QWidget* parent) : TForm("WerbungForm", parent) {
  setWindowTitle(QString::fromUtf8("Top-Produkte von Tessaro"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* layout = new QVBoxLayout(this);
  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setWidgetResizable(true);
  auto* page = new QWidget;
  auto* list = new QVBoxLayout(page);
  for (const Product& p : kProducts) {
    auto* picture = new QLabel(page);
    QPixmap pix(kalvora::ProgramFolder() + "recom/" + p.picture);
    if (!pix.isNull()) picture->setPixmap(pix);
    auto* title = new QLabel(QString("<b>%1</b><br>%2").arg(p.name, QString::fromUtf8(p.text)), page);
    auto* more = new QPushButton(QString::fromUtf8("Mehr Infos..."), page);
    more->setObjectName(QString("MoreButton_") + p.name);
    const QString address = QString::fromLatin1(p.address);
    connect(more, &QPushButton::clicked, this, [this, address] { OpenProductPage(address); });
    list->addWidget(picture);
    list->addWidget(title);
    list->addWidget(more, 0, Qt::AlignLeft);
  }
  list->addStretch();
  ScrollBox1->setWidget(page);
  layout->addWidget(ScrollBox1, 1);
  CheckBox1 = new QCheckBox(QString::fromUtf8("Tipp's nicht mehr anzeigen!"), this);
  CheckBox1->setObjectName("CheckBox1");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(CheckBox1);
  bottom->addStretch(1);
  CloseBitBtn = new QPushButton(QString::fromUtf8("Schließen"), this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setDefault(true);
  connect(CloseBitBtn, &QPushButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
  bottom->addWidget(CloseBitBtn);
  layout->addLayout(bottom);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->geometry();
    setGeometry(0, 0, r.width(), std::max(200, r.height() - 27));
  }
  setWindowState(Qt::WindowMaximized);
  connect(this, &QDialog::finished, this, [this] { FormClose(); });
}

void TWerbungForm::OpenProductPage(const QString& address) {
  OpenWebAddress(address);
}

void TWerbungForm::FormClose() {
  if (CheckBox1->isChecked())
    WriteMarkerFile((MainForm ? MainForm->FAppDir : kalvora::ProgramFolder()) + "NoWer.ini");
}
