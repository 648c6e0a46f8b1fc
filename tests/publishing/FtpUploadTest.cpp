// The upload window and the FTP client against a real FTP server on 127.0.0.1 (Debian's
// pyftpdlib, started by the test on a free port and stopped afterwards).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FtpClient.h"
#include "FtpSession.h"
#include "IniFile.h"
#include "ScriptedPrompter.h"
#include "SmallDisk.h"
#include "TestSupport.h"
#include "fFTP.h"
#include "fHTML.h"

using kalvora::ftp::Status;

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kPassword = QStringLiteral("Pw-9f3#kq!Zx");

bool haveServer() {
  return QProcess::execute(kPython, {"-c", "import pyftpdlib"}) == 0;
}

class LocalFtpServer {
 public:
  LocalFtpServer(const QString& root, int readLimit = 0) {
    proc_.setProgram(kPython);
    proc_.setArguments({QString(KALVORA_SOURCE_DIR) + "/tests/publishing/ftp_server.py"});
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    proc_.start();
    if (!proc_.waitForStarted(60000)) return;
    // The password travels on stdin, never in the server's arguments.
    proc_.write(QStringLiteral("{\"user\": \"galerie\", \"password\": \"%1\", \"root\": \"%2\", \"read_limit\": %3}\n")
                    .arg(kPassword, root)
                    .arg(readLimit)
                    .toUtf8());
    proc_.waitForBytesWritten(2000);
    for (int i = 0; i < 600 && !proc_.canReadLine(); ++i) proc_.waitForReadyRead(100);
    port_ = proc_.readLine().trimmed().toInt();
  }
  ~LocalFtpServer() {
    proc_.kill();
    proc_.waitForFinished(3000);
  }
  int port() const { return port_; }

 private:
  QProcess proc_;
  int port_ = 0;
};

QByteArray randomBytes(int n) {
  QByteArray b(n, '\0');
  auto* gen = QRandomGenerator::global();
  for (char& c : b) c = char(gen->bounded(256));
  return b;
}

class FtpUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveServer()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
    appDir = app.path() + "/";
    galleryDir = appDir + "gallery";
    serverRoot = server.path();
    QDir().mkpath(galleryDir);
    scope = std::make_unique<kalvora::PrompterScope>(prompter);
  }
  void TearDown() override {
    if (form) delete form.data();
    scope.reset();
  }

  void galleryFile(const QString& name, const QByteArray& data) {
    ASSERT_TRUE(testsupport::writeBytes(galleryDir + "/" + name, data));
    files[name] = data;
  }
  void fillGallery() {
    galleryFile("gallery.html", "<HTML>overview</HTML>\r\n");
    galleryFile("layout.css", "\r\nBODY {\r\n}\r\n");
    galleryFile("strand_x2x.jpg", randomBytes(300000));
    galleryFile("strand_x2x_thumb.jpg", randomBytes(5000));
    galleryFile(QString::fromUtf8("stra\u00dfe#1 \u0142.html"), "page");
    galleryFile(".hidden", "never uploaded");
    files.remove(".hidden");
  }

  TFTPForm* open(int port, const QString& serverDir, const QString& password = kPassword) {
    form = new TFTPForm(nullptr, appDir, galleryDir);
    form->show();
    form->Edit1->setText("127.0.0.1");
    form->Edit2->setText("galerie");
    form->Edit3->setText(password);
    form->Edit4->setText(QString::number(port));
    form->Edit5->setText(serverDir);
    return form;
  }
  void start() { QTest::mouseClick(form->BitBtn1, Qt::LeftButton); }
  // Waits for the run to end; the window may close itself.
  void waitDone(int ms = 120000) { KV_WAIT_FOR(!form || !form->FRunning, ms); }
  QStringList logLines() const {
    QStringList out;
    if (form)
      for (int i = 0; i < form->ListBox1->count(); ++i) out << form->ListBox1->item(i)->text();
    return out;
  }
  void expectOnServer(const QString& folder) {
    for (auto it = files.cbegin(); it != files.cend(); ++it)
      EXPECT_EQ(testsupport::readBytes(serverRoot + "/" + folder + it.key()), it.value()) << it.key().toStdString();
    EXPECT_FALSE(QFileInfo::exists(serverRoot + "/" + folder + ".hidden"));
  }

  testsupport::TempFolder app, server;
  QString appDir, galleryDir, serverRoot;
  QMap<QString, QByteArray> files;
  kalvora::ScriptedPrompter prompter;
  std::unique_ptr<kalvora::PrompterScope> scope;
  QPointer<TFTPForm> form;
};
}  // namespace

TEST_F(FtpUploadTest, UploadsByteIdenticalIntoTheLoginFolderAndCloses) {
  fillGallery();
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "");
  start();
  EXPECT_TRUE(form->FRunning);
  EXPECT_TRUE(form->Edit1->isReadOnly());
  waitDone();
  KV_WAIT_FOR(form.isNull(), 60000);  // closed by itself after complete success
  expectOnServer("");
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
}

TEST_F(FtpUploadTest, UploadsIntoServerFoldersItCreatesKeepingTheirCase) {
  fillGallery();
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), " Daten/Galerie/ ");
  start();
  waitDone();
  KV_WAIT_FOR(form.isNull(), 60000);
  expectOnServer("Daten/Galerie/");
  EXPECT_FALSE(QFileInfo::exists(serverRoot + "/daten"));
  // The access data were kept, owner-only, the port as typed.
  const QString ini = appDir + "Gallery.ini";
  EXPECT_EQ(kalvora::IniFile(ini).readString("FTP", "ServerDir"), " Daten/Galerie/ ");  // as typed
  EXPECT_EQ(kalvora::IniFile(ini).readString("FTP", "port"), QString::number(srv.port()));
  EXPECT_EQ(QFileInfo(ini).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
}

TEST_F(FtpUploadTest, AWrongPasswordIsReportedAndNothingIsTransferred) {
  fillGallery();
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "", "falsch");
  start();
  waitDone();
  ASSERT_TRUE(form);  // stays open
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("Verbindung zum Server")) << prompter.messageTexts().first().toStdString();
  EXPECT_TRUE(prompter.messageTexts().first().contains("Anmeldung abgelehnt"));
  EXPECT_TRUE(QDir(serverRoot).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
  EXPECT_FALSE(form->FConnected);
  EXPECT_EQ(form->BitBtn1->text(), "Upload starten");
}

TEST_F(FtpUploadTest, ANoServerAtThePortIsReported) {
  fillGallery();
  // A port that was free a moment ago: nothing listens there.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  close(fd);
  open(port, "");
  start();
  waitDone();
  ASSERT_TRUE(form);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("Verbindung zum Server"));
  EXPECT_FALSE(logLines().join("\n").contains("copy"));
  // The log and the status line speak German, not the network library's English.
  EXPECT_EQ(logLines(), QStringList{QString::fromUtf8("Verbindung fehlgeschlagen: Der Server ist nicht erreichbar.")});
  EXPECT_EQ(form->ProgressLabel->text(), "Getrennt");
}

TEST_F(FtpUploadTest, ARefusedFileIsLoggedAndTheNextStillGoes) {
  fillGallery();
  galleryFile("verboten.jpg", "no");
  files.remove("verboten.jpg");
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "web");
  start();
  waitDone();
  ASSERT_TRUE(form);  // not a complete success: stays open
  expectOnServer("web/");
  const QStringList log = logLines();
  const QString refused = "copy " + galleryDir + "/verboten.jpg web/verboten.jpg ERROR: Upload failure";
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const QString& l) { return l.startsWith(refused); }))
      << log.join("\n").toStdString();
  EXPECT_TRUE(log.contains("copy " + galleryDir + "/layout.css web/layout.css Upload success")) << log.join("\n").toStdString();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().startsWith("1 von 6 Dateien"));
  EXPECT_EQ(form->ProgressBar1->value(), 100);
}

TEST_F(FtpUploadTest, AConnectionClosedMidFileIsAFailureAndTheRestStillGoes) {
  fillGallery();
  galleryFile("abbruch.jpg", randomBytes(400000));
  files.remove("abbruch.jpg");
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "");
  start();
  waitDone();
  ASSERT_TRUE(form);
  const QStringList log = logLines();
  EXPECT_FALSE(std::any_of(log.begin(), log.end(),
                           [](const QString& l) { return l.contains("abbruch.jpg") && l.contains("success"); }))
      << log.join("\n").toStdString();
  expectOnServer("");
  EXPECT_NE(testsupport::readBytes(serverRoot + "/abbruch.jpg").size(), 400000);
}

TEST_F(FtpUploadTest, AbortStopsTheTransferAtOnceAndKeepsTheWindow) {
  galleryFile("gross.jpg", randomBytes(4 << 20));
  galleryFile("zweite.jpg", "x");
  LocalFtpServer srv(serverRoot, 128 * 1024);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "");
  start();
  KV_WAIT_FOR(form->ProgressLabel->text().contains("Bytes gesendet"), 60000);
  // While the transfer runs the window answers and the password is nowhere in a command line.
  for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
    const QByteArray cmd = testsupport::readBytes("/proc/" + pid + "/cmdline");
    EXPECT_FALSE(cmd.contains(kPassword.toUtf8())) << pid.toStdString();
  }
  // Generating a new gallery now would empty the folder under the upload: refused.
  {
    THTMLForm html;
    html.FTPForm = form;
    EXPECT_FALSE(html.BitBtn1Click());
    ASSERT_EQ(prompter.messageTexts().size(), 1);
    EXPECT_TRUE(prompter.messageTexts().first().contains("Hochladen beendet"));
    EXPECT_TRUE(QFileInfo(galleryDir + "/gross.jpg").isFile());
    html.FTPForm = nullptr;
  }
  start();  // the start button again: abort
  EXPECT_FALSE(form->FConnected);
  // An upload that went on would finish the throttled file and send the next one: judged below.
  KV_WAIT_FOR(!form->FRunning, 120000);
  ASSERT_TRUE(form);
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(QFileInfo::exists(serverRoot + "/zweite.jpg"));
  EXPECT_TRUE(logLines().join("\n").contains("gross.jpg ERROR: Upload failure (aborted)"));
  EXPECT_TRUE(QFileInfo(galleryDir + "/zweite.jpg").isFile());
  EXPECT_EQ(form->BitBtn1->text(), "Upload starten");
}

TEST_F(FtpUploadTest, ThePasswordIsMaskedAndNeverLogged) {
  fillGallery();
  galleryFile("verboten.jpg", "no");
  LocalFtpServer srv(serverRoot);
  ASSERT_GT(srv.port(), 0);
  open(srv.port(), "");
  EXPECT_EQ(form->Edit3->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(form->Edit3->displayText().contains(kPassword));
  start();
  waitDone();
  ASSERT_TRUE(form);
  EXPECT_FALSE(logLines().join("\n").contains(kPassword));
  EXPECT_FALSE(form->ProgressLabel->text().contains(kPassword));
  for (const QString& m : prompter.messageTexts()) EXPECT_FALSE(m.contains(kPassword));
  // A reopened window reads the access data back.
  delete form.data();
  open(1, "x", "");
  form->LoadSettings();
  EXPECT_EQ(form->Edit3->text(), kPassword);
  EXPECT_EQ(form->Edit4->text(), QString::number(srv.port()));
}

TEST_F(FtpUploadTest, AnEmptyGalleryOrHostIsReportedWithoutConnecting) {
  open(21, "");
  form->Edit1->clear();
  start();
  EXPECT_FALSE(form->FRunning);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("FTP-Servers"));
  form->Edit1->setText("127.0.0.1");
  start();
  EXPECT_FALSE(form->FRunning);
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(prompter.messageTexts().last().contains("zuerst die Internetseite"))
      << prompter.messageTexts().last().toStdString();
}

TEST(FtpPort, OnlyANumberFrom1To65535IsAPort) {
  struct Case {
    const char* text;
    std::optional<int> port;
  } cases[] = {{"", std::nullopt},  {" 2121 ", 2121},  {"0", std::nullopt},   {"65535", 65535},
               {"65536", std::nullopt}, {"-1", std::nullopt}, {"+21", std::nullopt}, {"abc", std::nullopt},
               {"21x", std::nullopt}, {"2 1", std::nullopt}, {"21", 21}};
  for (const Case& c : cases) EXPECT_EQ(kalvora::ftp::PortFromText(c.text), c.port) << c.text;
}

// A port that is no number stops the start with a message naming the field; nothing connects
// (no server is needed to see that).
TEST(FtpPortWindow, APortThatIsNoNumberIsRefusedByName) {
  testsupport::TempFolder app;
  const QString gallery = app.path() + "/gallery";
  QDir().mkpath(gallery);
  ASSERT_TRUE(testsupport::writeBytes(gallery + "/gallery.html", "<HTML></HTML>"));
  kalvora::ScriptedPrompter prompter;
  kalvora::PrompterScope scope(prompter);
  for (const char* typed : {"abc", "", "70000"}) {
    auto* form = new TFTPForm(nullptr, app.path() + "/", gallery);
    form->show();
    form->Edit1->setText("127.0.0.1");
    QTest::keyClick(form->Edit4, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form->Edit4, Qt::Key_Backspace);
    QTest::keyClicks(form->Edit4, QString::fromLatin1(typed));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(form->FRunning) << typed;
    ASSERT_FALSE(prompter.messageTexts().isEmpty()) << typed;
    EXPECT_TRUE(prompter.messageTexts().last().contains("\"Port\"")) << typed;
    EXPECT_EQ(form->ListBox1->count(), 0) << typed;
    delete form;
  }
  EXPECT_EQ(prompter.messageTexts().size(), 3);
}

TEST(FtpClientCommands, EveryCommandOfTheScript) {
  if (!haveServer()) GTEST_SKIP() << "python3-pyftpdlib is not installed";
  testsupport::TempFolder server, local;
  LocalFtpServer srv(server.path());
  ASSERT_GT(srv.port(), 0);
  auto client = kalvora::ftp::MakeCurlFtpClient();
  kalvora::ftp::Account acc{"127.0.0.1", srv.port(), "galerie", kPassword, 5000};
  ASSERT_TRUE(client->Connect(acc).ok());
  EXPECT_EQ(client->PrintWorkingDir(), "/");
  EXPECT_TRUE(client->MakeDirectory("eins").ok());
  EXPECT_TRUE(QFileInfo(server.path() + "/eins").isDir());
  EXPECT_EQ(client->MakeDirectory("eins").status, Status::Failed);  // exists already
  EXPECT_TRUE(client->ChangeDir("eins").ok());
  EXPECT_EQ(client->PrintWorkingDir(), "/eins");
  ASSERT_TRUE(testsupport::writeBytes(local.file("a.bin"), "abc"));
  EXPECT_TRUE(client->Upload(local.file("a.bin"), "zwei/a.bin").ok());
  EXPECT_EQ(testsupport::readBytes(server.path() + "/eins/zwei/a.bin"), "abc");
  EXPECT_TRUE(client->Download("zwei/a.bin", local.file("b.bin")).ok());
  EXPECT_EQ(testsupport::readBytes(local.file("b.bin")), "abc");
  EXPECT_EQ(client->Download("fehlt.bin", local.file("c.bin")).status, Status::Failed);
  EXPECT_FALSE(QFileInfo::exists(local.file("c.bin")));
  {
    // A download onto a full disk fails and leaves the old local file as it was.
    testsupport::SmallDisk disk(local.file("klein"), 64);
    if (disk.mounted()) {
      ASSERT_TRUE(testsupport::writeBytes(local.file("klein/b.bin"), "alt"));
      ASSERT_TRUE(testsupport::writeBytes(server.path() + "/eins/zwei/gross.bin", QByteArray(3000, 'g')));
      ASSERT_TRUE(disk.fill());
      EXPECT_FALSE(client->Download("zwei/gross.bin", local.file("klein/b.bin")).ok());
      EXPECT_EQ(testsupport::readBytes(local.file("klein/b.bin")), "alt");
      EXPECT_EQ(QDir(local.file("klein")).entryList(QDir::Files | QDir::Hidden), (QStringList{"b.bin", "filler"}));
      EXPECT_TRUE(client->Delete("zwei/gross.bin").ok());
    }
  }
  EXPECT_TRUE(client->Delete("zwei/a.bin").ok());
  EXPECT_FALSE(QFileInfo::exists(server.path() + "/eins/zwei/a.bin"));
  EXPECT_TRUE(client->RemoveDir("zwei").ok());
  EXPECT_EQ(client->ChangeDir("gibtsnicht").status, Status::Failed);
  EXPECT_EQ(client->PrintWorkingDir(), "/eins");
  EXPECT_TRUE(client->ChangeDir("..").ok());
  EXPECT_EQ(client->PrintWorkingDir(), "/");
  EXPECT_EQ(client->Upload(local.file("a.bin"), "x\r\nDELE a").status, Status::InvalidName);
  EXPECT_EQ(client->Upload(local.file("fehlt"), "x").status, Status::LocalError);
  client->Disconnect();
  EXPECT_EQ(client->Upload(local.file("a.bin"), "x").status, Status::Failed);

  // The same through a session, whose results arrive on this thread.
  kalvora::ftp::Session session(kalvora::ftp::MakeCurlFtpClient());
  QList<int> statuses;
  bool done = false;
  QObject::connect(&session, &kalvora::ftp::Session::commandDone, [&](int, int s, const QString&) { statuses << s; });
  QObject::connect(&session, &kalvora::ftp::Session::finished, [&](bool) { done = true; });
  using C = kalvora::ftp::Command;
  ASSERT_TRUE(session.Start(acc, {{C::MakeDir, "drei", ""}, {C::ChangeDir, "drei", ""},
                                  {C::Upload, local.file("a.bin"), "a.bin"}, {C::ChangeDirUp, "", ""},
                                  {C::Delete, "drei/a.bin", ""}, {C::ChangeDirRoot, "", ""}, {C::RemoveDir, "drei", ""}}));
  KV_WAIT_FOR(done, 60000);
  EXPECT_EQ(statuses, QList<int>(7, int(Status::Ok)));
  EXPECT_FALSE(QFileInfo::exists(server.path() + "/drei"));
}
