#include "fFTP.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>

#include "GalleryPages.h"
#include "IniFile.h"
#include "Prompter.h"
#include "PublishingPictures.h"
#include "PublishingTexts.h"
#include "ShellConstants.h"

using kalvora::ftp::Command;
using kalvora::ftp::Status;

namespace {
const QString kSection = QStringLiteral("FTP");

void inform(kalvora::MsgKind kind, const QString& text) {
  kalvora::CurrentPrompter().message(kind, QString(), text, kalvora::mbOk);
}

QString startText() { return PublishingText(2807, "Upload starten", "Start upload"); }

QString ConnectProblemText(int status) {
  switch (Status(status)) {
    case Status::LoginFailed:
      return PublishingText("Der Server hat die Anmeldung abgelehnt.", "The server refused the login.");
    case Status::InvalidName:
      return PublishingText("Der Name des Servers ist ungültig.", "The server name is not valid.");
    case Status::Aborted: return PublishingText("Abgebrochen.", "Stopped.");
    case Status::LocalError:
      return PublishingText("Auf diesem Rechner ist ein Fehler aufgetreten.", "An error occurred on this computer.");
    default:
      return PublishingText("Der Server ist nicht erreichbar.", "The server cannot be reached.");
  }
}
}  // namespace

TFTPForm::TFTPForm(QWidget* owner, const QString& appDir, const QString& galleryFolder)
    : TForm("FTPForm", owner), FAppDir(appDir), FGalleryFolder(galleryFolder) {
  setWindowFlag(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(PublishingText("Diashow FTP", "Slideshow FTP"));

  auto* outer = new QHBoxLayout(this);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  const QPixmap banner(appDir + "recom/" + SideBannerPictureName);
  if (!banner.isNull()) Image1->setPixmap(banner);
  outer->addWidget(Image1, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout;
  outer->addLayout(layout, 1);

  GroupBox1 = new QGroupBox(PublishingText(2800, "FTP-Zugangsdaten für Ihren Server", "FTP access to your server"), this);
  GroupBox1->setObjectName("GroupBox1");
  auto* access = new QFormLayout(GroupBox1);
  auto edit = [&](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    return e;
  };
  auto label = [&](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    return l;
  };
  Label1 = label("Label1", PublishingText(2801, "Server (z.B. ftp.meine-seite.de)", "Server (e.g. ftp.my-site.com)"));
  Edit1 = edit("Edit1");
  Label2 = label("Label2", PublishingText(2802, "User ID", "User ID"));
  Edit2 = edit("Edit2");
  Label3 = label("Label3", PublishingText(2803, "Passwort", "Password"));
  Edit3 = edit("Edit3");
  Edit3->setEchoMode(QLineEdit::Password);
  Label4 = label("Label4", PublishingText(2804, "Port", "Port"));
  Edit4 = edit("Edit4");
  Edit4->setText(QStringLiteral("21"));
  Edit4->setMaxLength(5);
  access->addRow(Label1, Edit1);
  access->addRow(Label2, Edit2);
  access->addRow(Label3, Edit3);
  access->addRow(Label4, Edit4);
  layout->addWidget(GroupBox1);

  GroupBox2 = new QGroupBox(PublishingText(2805, "Zielordner", "Target folder"), this);
  GroupBox2->setObjectName("GroupBox2");
  auto* target = new QVBoxLayout(GroupBox2);
  Label5 = label("Label5", PublishingText(2806, "Zielordner auf Ihrem Server (z.B. daten/galerie) für Root lassen Sie dieses Feld einfach leer",
                                          "Target folder on your server (e.g. data/gallery); leave it empty for the login folder"));
  Label5->setWordWrap(true);
  Edit5 = edit("Edit5");
  target->addWidget(Label5);
  target->addWidget(Edit5);
  layout->addWidget(GroupBox2);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  layout->addWidget(ListBox1, 1);
  ProgressLabel = label("ProgressLabel", QString());
  layout->addWidget(ProgressLabel);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  layout->addWidget(ProgressBar1);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  BitBtn1 = new QPushButton(startText(), this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setAutoDefault(false);
  buttons->addWidget(BitBtn1);
  CloseBitBtn = new QPushButton(PublishingText("Schließen", "Close"), this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setAutoDefault(false);
  buttons->addWidget(CloseBitBtn);

  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& t) { FHost = t; });
  connect(Edit2, &QLineEdit::textChanged, this, [this](const QString& t) { FUserID = t; });
  connect(Edit3, &QLineEdit::textChanged, this, [this](const QString& t) { FPassword = t; });
  connect(Edit4, &QLineEdit::textChanged, this, [this](const QString& t) { FPort = t; });
  connect(Edit5, &QLineEdit::textChanged, this, [this](const QString& t) { FServerDir = t; });
  // The fields start as the edits show them (the port's design text "21" is set before the
  // edit is connected), so the field never says less than the window does.
  FHost = Edit1->text();
  FUserID = Edit2->text();
  FPassword = Edit3->text();
  FPort = Edit4->text();
  FServerDir = Edit5->text();
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(CloseBitBtn, &QPushButton::clicked, this, [this] { close(); });

  session_ = new kalvora::ftp::Session(kalvora::ftp::MakeCurlFtpClient(), this);
  connect(session_, &kalvora::ftp::Session::connected, this, [this] { onConnected(); });
  connect(session_, &kalvora::ftp::Session::connectFailed, this, [this](int s, const QString& r) { onConnectFailed(s, r); });
  connect(session_, &kalvora::ftp::Session::commandStarted, this, [this](int i) { onCommandStarted(i); });
  connect(session_, &kalvora::ftp::Session::progress, this, [this](qint64 d, qint64 t) { onProgress(d, t); });
  connect(session_, &kalvora::ftp::Session::commandDone, this,
          [this](int i, int s, const QString& r) { onCommandDone(i, s, r); });
  connect(session_, &kalvora::ftp::Session::finished, this, [this](bool aborted) { onFinished(aborted); });
}

TFTPForm::~TFTPForm() {
  // The session's thread must end before the window's fields go away.
  if (session_) {
    session_->Abort();
    session_->Wait();
  }
}

void TFTPForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TFTPForm::FormActivate() {
  // The window is made anew for every upload: read the access data once, so a window shown
  // again (after being minimised) keeps what the user typed.
  if (FRunning || settingsLoaded_) return;
  settingsLoaded_ = true;
  ProgressBar1->setValue(0);
  LoadSettings();
}

void TFTPForm::LoadSettings() {
  const kalvora::IniFile ini(FAppDir + "Gallery.ini");
  Edit1->setText(ini.readString(kSection, "host"));
  Edit2->setText(ini.readString(kSection, "user-ID"));
  Edit3->setText(ini.readString(kSection, "password"));
  const QString port = ini.readString(kSection, "port");
  Edit4->setText(port.trimmed().isEmpty() ? QStringLiteral("21") : port);
  Edit5->setText(ini.readString(kSection, "ServerDir"));
}

bool TFTPForm::SaveSettings() {
  const QString path = FAppDir + "Gallery.ini";
  gallery::ProtectIniFile(path);
  bool ok = true;
  {
    kalvora::IniFile ini(path);
    {
      kalvora::IniFile::Batch batch(ini);
      ini.writeString(kSection, "host", FHost);
      ini.writeString(kSection, "port", FPort);
      ini.writeString(kSection, "user-ID", FUserID);
      ini.writeString(kSection, "password", FPassword);
      ini.writeString(kSection, "ServerDir", FServerDir);
    }
    ok = !ini.pending();
  }
  gallery::ProtectIniFile(path);
  return ok;
}

QString TFTPForm::CommandText(const Command& c) {
  switch (c.kind) {
    case Command::Upload:
    case Command::Download: return "copy " + c.source + " " + c.destination;
    case Command::Delete: return "del " + c.source;
    case Command::MakeDir: return "md " + c.source;
    case Command::RemoveDir: return "rmdir " + c.source;
    case Command::ChangeDir: return "cd " + c.source;
    case Command::ChangeDirUp: return QStringLiteral("cd..");
    case Command::ChangeDirRoot: return QStringLiteral("cd\\");
  }
  return QString();
}

void TFTPForm::BuildUploadList() {
  ListBox1->clear();
  FScript.clear();
  // Case and inner blanks of the folder stay as typed: Unix servers tell them apart.
  QString dir = FServerDir.trimmed();
  dir.replace('\\', '/');
  while (dir.size() > 1 && dir.endsWith('/')) dir.chop(1);
  const QDir folder(FGalleryFolder);
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
    if (name.startsWith('.')) continue;
    Command c;
    c.kind = Command::Upload;
    c.source = folder.filePath(name);
    c.destination = dir.isEmpty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
    FScript << c;
  }
}

void TFTPForm::BitBtn1Click() {
  // The upload still runs with what was typed; the user learns it is not kept.
  if (!SaveSettings())
    inform(kalvora::MsgKind::Warning,
           PublishingText("Die Zugangsdaten konnten nicht gespeichert werden:",
                          "The access data could not be saved:") + "\n" + FAppDir + "Gallery.ini");
  if (FRunning) {
    // Pressed while connected: stop the transfer, keep the window open.
    session_->Abort();
    FConnected = false;
    return;
  }
  if (FHost.trimmed().isEmpty()) {
    inform(kalvora::MsgKind::Warning, PublishingText("Bitte geben Sie den Namen Ihres FTP-Servers ein.",
                                                     "Please enter the name of your FTP server."));
    return;
  }
  const std::optional<int> port = kalvora::ftp::PortFromText(FPort);
  if (!port) {
    inform(kalvora::MsgKind::Warning,
           PublishingText("Im Feld \"Port\" steht keine gültige Zahl. Bitte geben Sie eine Zahl von 1 bis 65535 "
                          "ein (meist 21).",
                          "The field \"Port\" holds no valid number. Please enter a number from 1 to 65535 "
                          "(usually 21)."));
    Edit4->setFocus();
    Edit4->selectAll();
    return;
  }
  BuildUploadList();
  if (FScript.isEmpty()) {
    inform(kalvora::MsgKind::Information,
           PublishingText("Es gibt noch nichts hochzuladen. Bitte erzeugen Sie zuerst die Internetseite.",
                          "There is nothing to upload yet. Please create the web page first."));
    return;
  }
  kalvora::ftp::Account account;
  account.host = FHost.trimmed();
  account.port = *port;
  account.user = FUserID;
  account.password = FPassword;
  account.timeoutMs = 10000;
  FFailures = 0;
  connectFailed_ = false;
  ProgressBar1->setValue(0);
  ProgressLabel->clear();
  if (session_->Start(account, FScript)) setRunning(true);
}

void TFTPForm::setRunning(bool running) {
  FRunning = running;
  BitBtn1->setText(running ? PublishingText("Upload abbrechen", "Stop upload") : startText());
  for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5}) e->setReadOnly(running);
}

void TFTPForm::log(const QString& line) {
  ListBox1->addItem(line);
  ListBox1->scrollToBottom();
}

void TFTPForm::onConnected() {
  FConnected = FRunning;
  ProgressLabel->setText(PublishingText("Verbunden", "Connected"));
}

void TFTPForm::onConnectFailed(int status, const QString& reason) {
  FConnected = false;
  connectFailed_ = true;
  // The label and the log speak the user's language; the client's own words stay out of sight.
  Q_UNUSED(reason);
  const QString failed = PublishingText("Verbindung fehlgeschlagen", "Connection Failed");
  ProgressLabel->setText(failed);
  log(failed + ": " + ConnectProblemText(status));
  QString text = PublishingText(10028, "Die Verbindung zum Server konnte nicht hergestellt werden. Bitte prüfen Sie "
                                       "Server, User ID, Passwort und Port.",
                                "Could not connect to the server. Please check the server, user ID, password and port.");
  if (status == int(Status::LoginFailed))
    text += "\n" + PublishingText("Der Server hat die Anmeldung abgelehnt.", "The server refused the login.");
  inform(kalvora::MsgKind::Error, text);
}

void TFTPForm::onCommandStarted(int index) {
  if (index < 0 || index >= FScript.size()) return;
  FLastCommand = CommandText(FScript[index]);
  ProgressLabel->setText(PublishingText("Datenübertragung beginnt", "Beginning Data Transfer"));
}

void TFTPForm::onProgress(qint64 done, qint64 total) {
  ProgressLabel->setText(PublishingText("%1 von %2 Bytes gesendet", "%1 of %2 bytes sent").arg(done).arg(total));
}

void TFTPForm::onCommandDone(int index, int status, const QString& reason) {
  if (index < 0 || index >= FScript.size()) return;
  const QString name = kalvora::ftp::OperationName(FScript[index].kind);
  QString message;
  if (status == int(Status::Ok)) {
    message = name + " success";
    ProgressLabel->setText(PublishingText("Datenübertragung beendet", "Data Transfer Complete"));
  } else {
    ++FFailures;
    message = "ERROR: " + name + " failure";
    if (status == int(Status::Aborted)) message += " (aborted)";
    else if (!reason.isEmpty()) message += " (" + reason + ")";
    ProgressLabel->setText(PublishingText("Fehler beim Übertragen: %1", "Transfer error: %1")
                               .arg(QFileInfo(FScript[index].source).fileName()));
  }
  log(CommandText(FScript[index]) + " " + message);
  ProgressBar1->setValue(int(std::lround(double(index + 1) / FScript.size() * 100)));
}

void TFTPForm::onFinished(bool aborted) {
  setRunning(false);
  FConnected = false;
  session_->Wait();
  ProgressLabel->setText(PublishingText("Getrennt", "Disconnected"));
  if (connectFailed_) return;
  if (aborted) {
    log(PublishingText("Upload abgebrochen.", "Upload stopped."));
    return;
  }
  if (FFailures == 0) {
    close();
    return;
  }
  inform(kalvora::MsgKind::Warning,
         PublishingText("%1 von %2 Dateien konnten nicht hochgeladen werden. Die Liste zeigt, welche.",
                        "%1 of %2 files could not be uploaded. The list shows which.")
             .arg(FFailures)
             .arg(FScript.size()));
}

void TFTPForm::closeEvent(QCloseEvent* event) {
  if (FRunning) {
    session_->Abort();
    session_->Wait();
    setRunning(false);
  }
  FConnected = false;
  TForm::closeEvent(event);
}
