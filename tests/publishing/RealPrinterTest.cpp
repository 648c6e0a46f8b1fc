// Printing through the system's print path: QPrinter, CUPS and a printer that takes PDF jobs.
//
// The test starts a private CUPS scheduler on 127.0.0.1 and, where it can start, Debian's
// ippeveprinter as the printer behind it; where ippeveprinter cannot start (it needs DNS-SD) the
// scheduler alone prints to a file device. Where the scheduler cannot start either, the test says
// so and is skipped. It runs in a program of its own, so CUPS_SERVER is set before the first
// question to CUPS.
#include <QElapsedTimer>
#include <QPrinterInfo>
#include <QDirIterator>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "PrintFixture.h"

using namespace printtest;

namespace {

sockaddr_in loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(quint16(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

int freePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = loopback(0);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in a = loopback(port);
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

bool waitForPort(int port, QProcess& p, int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (p.state() == QProcess::NotRunning) return false;
    if (accepts(port)) return true;
    QTest::qWait(100);
  }
  return false;
}

// The private print system: set up once for the program, stopped at its end.
struct PrintSystem {
  testsupport::TempFolder dir;
  QProcess cupsd, printer;
  QString skipReason;
  QString note;         // how the jobs travel
  QString jobFolder;    // where a finished job's document appears
  bool viaIpp = false;

  void start() {
    const QString cupsdExe = QStandardPaths::findExecutable("cupsd", {"/usr/sbin", "/usr/bin"});
    const QString ipptool = QStandardPaths::findExecutable("ipptool");
    if (cupsdExe.isEmpty() || ipptool.isEmpty()) {
      skipReason = "cupsd (cups-daemon) or ipptool (cups-ipp-utils) is not installed";
      return;
    }
    const QString d = dir.path();
    for (const char* sub : {"root", "req", "cache", "state", "tmp", "log", "spool", "out"}) QDir().mkpath(d + "/" + sub);
    QFile::setPermissions(d + "/out", QFileDevice::Permissions(0x7777));
    QFile::setPermissions(d + "/tmp", QFileDevice::Permissions(0x7777));

    // The printer: ippeveprinter taking PDF, keeping its jobs in the spool folder.
    const QString ippeve = QStandardPaths::findExecutable("ippeveprinter", {"/usr/sbin", "/usr/bin"});
    const int printerPort = freePort();
    QString device;
    if (!ippeve.isEmpty()) {
      printer.setProcessChannelMode(QProcess::MergedChannels);
      printer.start(ippeve, {"-p", QString::number(printerPort), "-n", "127.0.0.1", "-r", "off", "-k", "-d",
                             d + "/spool", "-f", "application/pdf,application/octet-stream", "KalvoraTest"});
      if (waitForPort(printerPort, printer, 60000)) {
        device = QString("ipp://127.0.0.1:%1/ipp/print").arg(printerPort);
        jobFolder = d + "/spool";
        viaIpp = true;
        note = "ippeveprinter behind a private CUPS scheduler";
      } else {
        printer.waitForFinished(1000);
        note = "ippeveprinter cannot start here (" + QString::fromUtf8(printer.readAll()).trimmed() +
               "); the scheduler alone takes the job";
      }
    } else {
      note = "ippeveprinter is not installed; the scheduler alone takes the job";
    }
    if (!viaIpp) {
      // A raw queue on the file device; the scheduler keeps each job's document in its spool.
      device = "file:///dev/null";
      jobFolder = d + "/req";
    }

    const int port = freePort();
    testsupport::writeBytes(d + "/root/cupsd.conf",
                            QString("Listen 127.0.0.1:%1\nLogLevel info\nPreserveJobFiles Yes\nBrowsing No\nDefaultAuthType None\n"
                                    "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                    "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n")
                                .arg(port)
                                .toUtf8());
    testsupport::writeBytes(d + "/root/cups-files.conf",
                            QString("ServerRoot %1/root\nRequestRoot %1/req\nCacheDir %1/cache\nStateDir %1/state\n"
                                    "TempDir %1/tmp\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                    "PageLog %1/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                                    "FileDevice Yes\nPrintcap %1/printcap\n")
                                .arg(d)
                                .toUtf8());
    cupsd.setProcessChannelMode(QProcess::MergedChannels);
    cupsd.start(cupsdExe, {"-f", "-c", d + "/root/cupsd.conf", "-s", d + "/root/cups-files.conf"});
    if (!waitForPort(port, cupsd, 60000)) {
      cupsd.waitForFinished(1000);
      skipReason = "a private CUPS scheduler cannot start here: " + QString::fromUtf8(cupsd.readAll()).trimmed() +
                   " " + QString::fromUtf8(testsupport::readBytes(d + "/log/error_log")).right(400);
      return;
    }
    testsupport::writeBytes(
        d + "/add.test",
        "{\nNAME \"add\"\nOPERATION CUPS-Add-Modify-Printer\nGROUP operation-attributes-tag\n"
        "ATTR charset attributes-charset utf-8\nATTR naturalLanguage attributes-natural-language en\n"
        "ATTR uri printer-uri $uri\nGROUP printer-attributes-tag\nATTR uri device-uri $device\n"
        "ATTR enum printer-state 3\nATTR boolean printer-is-accepting-jobs true\nSTATUS successful-ok\n}\n"
        "{\nNAME \"default\"\nOPERATION CUPS-Set-Default\nGROUP operation-attributes-tag\n"
        "ATTR charset attributes-charset utf-8\nATTR naturalLanguage attributes-natural-language en\n"
        "ATTR uri printer-uri $uri\nSTATUS successful-ok\n}\n");
    int rc = -1;
    const QString out = run(ipptool, {"-t", "-d", "device=" + device,
                                      QString("ipp://127.0.0.1:%1/printers/Kalvora").arg(port), d + "/add.test"},
                            &rc);
    if (rc != 0) {
      skipReason = "the private CUPS scheduler refuses the test printer: " + out;
      return;
    }
    qputenv("CUPS_SERVER", QString("127.0.0.1:%1").arg(port).toUtf8());
  }

  void stop() {
    for (QProcess* p : {&cupsd, &printer}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->terminate();
      if (!p->waitForFinished(5000)) p->kill();
      p->waitForFinished(2000);
    }
  }

  // The first document that arrives, waiting up to ms.
  QString waitForJob(int ms) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      QDirIterator it(jobFolder, QDir::Files, QDirIterator::Subdirectories);
      while (it.hasNext()) {
        const QString f = it.next();
        const QByteArray head = testsupport::readBytes(f).left(5);
        if (head == "%PDF-" && QFileInfo(f).size() > 1000 && pdfPages(f) > 0) return f;
      }
      QTest::qWait(200);
    }
    return QString();
  }
};

PrintSystem* g_system = nullptr;

class RealPrinterTest : public PrintTest {
 protected:
  static void SetUpTestSuite() {
    g_system = new PrintSystem;
    g_system->start();
  }
  static void TearDownTestSuite() {
    g_system->stop();
    delete g_system;
    g_system = nullptr;
  }
  void SetUp() override {
    PrintTest::SetUp();
    if (IsSkipped()) return;
    kalvora::report::SetPdfPrintHook(nullptr);  // the real print path
    if (!g_system->skipReason.isEmpty()) GTEST_SKIP() << g_system->skipReason.toStdString();
    std::cout << "[ INFO     ] " << g_system->note.toStdString() << std::endl;
  }
};

}  // namespace

TEST_F(RealPrinterTest, TheListReportArrivesAtThePrinter) {
  ASSERT_EQ(QPrinterInfo::defaultPrinterName(), "Kalvora");
  ASSERT_TRUE(kalvora::report::PrinterAvailable());
  openShow("Archive_0050", "Echter Drucker",
           {{"a.jpg", 3000, 2000, kColors[0], "Erstes"}, {"b.jpg", 2000, 3000, kColors[1], "Zweites"},
            {"c.jpg", 1000, 1000, kColors[2], "Drittes"}});
  mf->FPrintAllPictures = true;
  mf->FPrintHeadline = true;
  mf->FPrintInfoText = true;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  const QString job = g_system->waitForJob(180000);
  ASSERT_FALSE(job.isEmpty()) << "no job arrived in " << g_system->jobFolder.toStdString() << "; the scheduler's log:\n"
                              << testsupport::readBytes(g_system->dir.path() + "/log/error_log").right(3000).toStdString();
  EXPECT_EQ(pdfPages(job), 2);
  EXPECT_TRUE(pdfText(job, 1).contains("Echter Drucker"));
  EXPECT_TRUE(pdfText(job, 2).contains("Seite 2"));
  // The printer got the picture in colour where the report put it (its page is A4 too).
  EXPECT_TRUE(near(colorBox(pdfPage(job, 1), kColors[0]), QRect(56, 106, 495, 330)));
}
