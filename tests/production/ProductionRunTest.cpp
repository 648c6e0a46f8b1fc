// The production run end to end, offscreen: five pictures with captions and a real MP3 into a
// VCD/SVCD MPEG or an AVI, read back by ffprobe; abort in each phase; the run's own files only;
// the display shape, the question before an existing video is replaced, where the capture
// window goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "EveryPercent.h"
#include "IniFile.h"
#include "Language.h"
#include "MpegEncoder.h"
#include "Prompter.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"
#include "VideoTestUtil.h"
#include "fAnweisung.h"
#include "fCapture.h"
#include "fDVD.h"

namespace {

QStringList readLog(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

// A click as the window system delivers it to the button's window (a window blocked by a modal
// one does not get it).
void clickAsUser(QPushButton* button) {
  QWidget* top = button->window();
  ASSERT_TRUE(top->windowHandle());
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, button->mapTo(top, button->rect().center()));
}

// Sees the capture windows of a run as they are shown and hidden.
class CaptureWatch : public QObject {
 public:
  CaptureWatch() { qApp->installEventFilter(this); }
  ~CaptureWatch() override { qApp->removeEventFilter(this); }
  std::function<void(TCaptureForm*, int)> onShown;   // with the number of the window, from 1
  std::function<void(TCaptureForm*)> onHidden;
  int shown = 0;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* capture = qobject_cast<TCaptureForm*>(o);
    if (capture && e->type() == QEvent::Show && onShown) onShown(capture, ++shown);
    if (capture && e->type() == QEvent::Hide && onHidden) onHidden(capture);
    return false;
  }
};

QRect globalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

class ProductionRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = tmp.path() + "/Mein \"Archiv\" mit Leer zeichen/";
    root = base + "Kalvora/";
    video = base + "DVD Diashow/";
    enc = video + "encoder/";
    app = base + "Pro gramm/";
    for (const QString& d : {root + "Archive_0001", enc, app, base + "Musik"}) QDir().mkpath(d);
    QByteArray list;
    const QSize sizes[] = {{1600, 1200}, {900, 1400}, {200, 100}, {1100, 1000}, {640, 640}};
    for (int i = 0; i < 5; ++i) {
      ASSERT_TRUE(videotest::framePicture(sizes[i].width(), sizes[i].height(), i)
                      .save(root + QString("Archive_0001/Bild %1.jpg").arg(i + 1), "JPG"));
      list += QString("Bild %1.jpg | Überschrift Nr. %1\r\n").arg(i + 1).toUtf8();
    }
    ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/Pictures.ini", list));
    ASSERT_TRUE(videotest::writeFile(app + "Effects.ini", "2000;0;8;4;0\r\n"));
    ASSERT_TRUE(videotest::writeFile(app + "empty.wav", videotest::waveBytes(1.0)));
    // What the user keeps in the work folder stays and never gets into the video.
    ASSERT_TRUE(videotest::framePicture(352, 288, 9).save(enc + "Eigenes Bild.jpg"));
    ASSERT_TRUE(videotest::writeFile(enc + "Eigene Musik.mp3", "ID3"));
    const QString mp3 = KALVORA_TEST_MP3;
    ASSERT_FALSE(mp3.isEmpty()) << "lame and ffmpeg are needed to make the test music";
    music = base + "Musik/Titel eins.mp3";
    ASSERT_TRUE(QFile::copy(mp3, music));

    form = std::make_unique<TDVDForm>();
    form->TakeFromMainWindow = false;
    form->Run.AppDir = app;
    form->Run.EncoderFolder = enc;
    form->Run.VideoFolder = video;
    form->Run.ArchiveRoot = root;
    form->Run.ArchiveFolder = "Archive_0001";
    form->Run.DiashowTitle = QString::fromUtf8("Urlaub Köln 2004!");
    form->Run.SecondsPerPicture = "2";
    form->Run.AudioFiles = {music};
    form->Frames.TransitionsOff = false;
    form->Frames.RunCapture = [this](const TCaptureJob& job) {
      const int n = RunCaptureWindow(job);
      grabs += n;
      ++transitions;
      if (onTransition) onTransition(transitions);
      return n;
    };
    TCaptureForm::PictureFactory = [](QWidget* parent) { return new videotest::EveryPercent(parent); };
    // The closing hint windows are answered as a user would.
    hintCloser.setInterval(20);
    QObject::connect(&hintCloser, &QTimer::timeout, [this] {
      if (auto* h = qobject_cast<TAnweisungForm*>(QApplication::activeModalWidget())) {
        ++hints;
        h->SetModalResult(1);
      }
    });
    hintCloser.start();
    kalvora::SetPrompter(&prompter);
  }
  void TearDown() override {
    TCaptureForm::PictureFactory = nullptr;
    kalvora::SetPrompter(nullptr);
  }

  QStringList runFilesLeft() const {
    QStringList left = QDir(enc).entryList(QDir::Files);
    left.removeAll("Eigenes Bild.jpg");
    left.removeAll("Eigene Musik.mp3");
    return left;
  }
  void expectUserFilesKept() const {
    EXPECT_TRUE(QFileInfo::exists(enc + "Eigenes Bild.jpg"));
    EXPECT_TRUE(QFileInfo::exists(enc + "Eigene Musik.mp3"));
  }

  testsupport::TempFolder tmp;
  QString base, root, video, enc, app, music;
  std::unique_ptr<TDVDForm> form;
  int grabs = 0, transitions = 0, hints = 0;
  std::function<void(int)> onTransition;
  QTimer hintCloser;
  kalvora::ScriptedPrompter prompter;
};

TEST_F(ProductionRunTest, ClearingTakesFrameNamesOfAnyLength) {
  const QStringList runFiles{"Test_0000.jpg", "Test_10000.jpg", "Test_123456.jpg", "inp10000_Key.jpg", "inp10000.bmp",
                             "inp10000001.jpg", "inp0001001.jpg"};
  for (const QString& f : runFiles) ASSERT_TRUE(videotest::writeFile(enc + f, "x"));
  ASSERT_TRUE(videotest::writeFile(enc + "Test_Urlaub.jpg", "x"));
  form->ClearWorkFolder();
  EXPECT_EQ(runFilesLeft(), QStringList{"Test_Urlaub.jpg"});
  expectUserFilesKept();
}

TEST_F(ProductionRunTest, PalVcdHighQualityIsAVcdProgramStream) {
  form->Mode = "VCD";
  form->HighQuality = true;
  form->MakeVideo();
  const QString out = video + "urlaub_koeln_2004__VCD.mpg";
  ASSERT_FALSE(form->Failed()) << readLog(form->LogFile()).join("\n").toStdString();
  ASSERT_TRUE(QFileInfo::exists(out));
  const QStringList log = readLog(form->LogFile());
  ASSERT_FALSE(log.isEmpty());
  EXPECT_EQ(log.first(), "BEGIN");
  EXPECT_TRUE(log.contains("MODE: PAL VCD"));
  EXPECT_TRUE(log.contains("START: AUDIO"));
  EXPECT_TRUE(log.contains("END"));
  EXPECT_EQ(transitions, 5);
  // Five pictures of 2 s and the closing slide of 4 s at 25 fps, plus every grabbed frame once.
  const int frames = 5 * 50 + 100 + grabs;
  const auto p = videotest::probe(out, "-count_packets");
  EXPECT_EQ(p["format"].toObject()["format_name"].toString(), "mpeg");
  const auto v = videotest::stream(p, "video");
  EXPECT_EQ(v["codec_name"].toString(), "mpeg1video");
  EXPECT_EQ(v["width"].toInt(), 352);
  EXPECT_EQ(v["height"].toInt(), 288);
  EXPECT_EQ(v["r_frame_rate"].toString(), "25/1");
  EXPECT_EQ(v["nb_read_packets"].toString().toInt(), frames);
  const auto a = videotest::stream(p, "audio");
  EXPECT_EQ(a["codec_name"].toString(), "mp2");
  EXPECT_EQ(a["sample_rate"].toString(), "44100");
  EXPECT_EQ(a["channels"].toInt(), 2);
  const double videoEnd = frames / 25.0;
  const double audioEnd = a["nb_read_packets"].toString().toInt() * 1152 / 44100.0;
  EXPECT_GE(audioEnd, videoEnd - 1e-6);
  EXPECT_LT(audioEnd, videoEnd + 1152 / 44100.0);
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  expectUserFilesKept();
  EXPECT_TRUE(form->CloseBitBtn->isEnabled());
  EXPECT_TRUE(form->VideoBitBtn->isEnabled());
  EXPECT_EQ(form->ProgressBar1->value(), 100);
}

TEST_F(ProductionRunTest, PalSvcdNtscVcdAndThePlainAvi) {
  struct Case {
    const char* mode;
    bool pal, hq;
    const char* file;
    const char* codec;
    int w, h;
    const char* rate;
  };
  const Case cases[] = {
      {"SVCD", true, true, "urlaub_koeln_2004__SVCD.mpg", "mpeg2video", 480, 576, "25/1"},
      {"VCD", false, true, "urlaub_koeln_2004__VCD.mpg", "mpeg1video", 352, 240, "30000/1001"},
      {"VCD", true, false, "urlaub_koeln_2004__VCD.avi", "rawvideo", 352, 288, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.pal ? " PAL" : " NTSC") + (c.hq ? " HQ" : " plain"));
    grabs = 0;
    form->Mode = c.mode;
    form->Pal = c.pal;
    form->HighQuality = c.hq;
    form->MakeVideo();
    ASSERT_FALSE(form->Failed()) << readLog(form->LogFile()).join("\n").toStdString();
    const auto p = videotest::probe(video + c.file, "-count_packets");
    const auto v = videotest::stream(p, "video");
    EXPECT_EQ(v["codec_name"].toString(), c.codec);
    EXPECT_EQ(v["width"].toInt(), c.w);
    EXPECT_EQ(v["height"].toInt(), c.h);
    if (c.rate) {
      EXPECT_EQ(v["r_frame_rate"].toString(), c.rate);
    }
    if (!c.pal) {
      // Each picture as long as in PAL: the 25 fps plan retimed to 29.97.
      const int64_t frames25 = 5 * 50 + 100 + grabs;
      EXPECT_EQ(v["nb_read_packets"].toString().toLongLong(), (frames25 * 30000 + 25 * 1001 - 1) / (25 * 1001));
    }
    if (!c.hq) {
      EXPECT_EQ(videotest::stream(p, "audio")["codec_name"].toString(), "pcm_s16le");
    }
    EXPECT_TRUE(readLog(form->LogFile()).contains("END"));
    EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  }
  expectUserFilesKept();
}

TEST_F(ProductionRunTest, AbortInEachPhaseThenASecondRunSucceeds) {
  form->Mode = "VCD";
  form->HighQuality = true;
  const QString out = video + "urlaub_koeln_2004__VCD.mpg";
  // During the transitions.
  bool modalWhileRunning = false;
  onTransition = [&](int n) {
    if (n == 1) {
      modalWhileRunning = form->windowModality() == Qt::ApplicationModal && !form->CloseBitBtn->isEnabled();
      form->MakeVideo();  // a second run cannot start inside the first
      form->close();      // nor can the window be closed
    }
    if (n == 2) form->AbortBitBtn->click();
  };
  form->MakeVideo();
  onTransition = nullptr;
  EXPECT_TRUE(form->Aborted());
  EXPECT_EQ(transitions, 2);
  EXPECT_TRUE(modalWhileRunning);
  EXPECT_EQ(readLog(form->LogFile()).count("BEGIN"), 1);
  EXPECT_FALSE(readLog(form->LogFile()).contains("END"));
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(QFileInfo::exists(out));

  // During the sound track: a decoder that takes its time is stopped.
  const QString slowLame = base + "slow lame";
  ASSERT_TRUE(videotest::writeFile(slowLame, "#!/bin/sh\nsleep 30\n"));
  QFile::setPermissions(slowLame, QFile::permissions(slowLame) | QFileDevice::ExeOwner);
  form->LameProgram = slowLame;
  QTimer abortSoon;
  QObject::connect(&abortSoon, &QTimer::timeout, [this] {
    if (readLog(form->LogFile()).contains("START: AUDIO")) form->AbortBitBtn->click();
  });
  abortSoon.start(50);
  form->MakeVideo();
  abortSoon.stop();
  EXPECT_TRUE(form->Aborted());
  EXPECT_FALSE(readLog(form->LogFile()).contains("END"));
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  form->LameProgram = "lame";
  abortSoon.disconnect();

  // During the encoding.
  QObject::connect(&abortSoon, &QTimer::timeout, [this] {
    if (readLog(form->LogFile()).join("\n").contains("START: MPEG")) form->AbortBitBtn->click();
  });
  abortSoon.start(20);
  form->MakeVideo();
  abortSoon.stop();
  abortSoon.disconnect();
  EXPECT_TRUE(form->Aborted());
  EXPECT_TRUE(readLog(form->LogFile()).join("\n").contains("START: MPEG"));
  EXPECT_FALSE(readLog(form->LogFile()).contains("END"));
  EXPECT_FALSE(QFileInfo::exists(out));
  EXPECT_FALSE(QFileInfo::exists(out + ".part"));
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  EXPECT_GE(hints, 3);  // each abort told the user

  form->MakeVideo();
  EXPECT_FALSE(form->Aborted());
  EXPECT_FALSE(form->Failed());
  EXPECT_TRUE(readLog(form->LogFile()).contains("END"));
  EXPECT_TRUE(QFileInfo::exists(out));
  expectUserFilesKept();
}

TEST_F(ProductionRunTest, FailuresAreNeverReportedAsSuccess) {
  form->Mode = "VCD";
  form->HighQuality = true;
  // A decoder that fails.
  const QString badLame = base + "bad lame";
  ASSERT_TRUE(videotest::writeFile(badLame, "#!/bin/sh\nexit 3\n"));
  QFile::setPermissions(badLame, QFile::permissions(badLame) | QFileDevice::ExeOwner);
  form->LameProgram = badLame;
  form->MakeVideo();
  EXPECT_TRUE(form->Failed());
  EXPECT_FALSE(readLog(form->LogFile()).contains("END"));
  EXPECT_FALSE(QFileInfo::exists(video + "urlaub_koeln_2004__VCD.mpg"));
  EXPECT_TRUE(form->CloseBitBtn->isEnabled());
  EXPECT_FALSE(form->VideoBitBtn->isEnabled());
  EXPECT_TRUE(runFilesLeft().isEmpty());
  form->LameProgram = "lame";

  // A picture that is no picture: the error is caught, logged and the window closable.
  ASSERT_TRUE(videotest::writeFile(root + "Archive_0001/Bild 3.jpg", "kein Bild"));
  form->MakeVideo();
  EXPECT_TRUE(form->Failed());
  EXPECT_FALSE(readLog(form->LogFile()).contains("END"));
  EXPECT_FALSE(form->Running());
  form->CloseBitBtn->click();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(ProductionRunTest, WithoutTheEncoderTheRunSkipsTheMpegAndEnds) {
  form->Mode = "SVCD";
  form->HighQuality = true;
  form->EncoderPresent = false;
  form->Run.AudioFiles.clear();
  form->MakeVideo();
  EXPECT_FALSE(form->Failed());
  const QStringList log = readLog(form->LogFile());
  EXPECT_TRUE(log.contains(QString::fromUtf8("KEINE AUDIO DATEI FÜR DIE DIASHOW AUSGEWÄHLT")));
  EXPECT_TRUE(log.contains("END"));
  EXPECT_FALSE(QFileInfo::exists(video + "urlaub_koeln_2004__SVCD.mpg"));
}

// Abbrechen clicked while a transition is calculated (its capture window on the screen) ends
// the run after that transition: no "Fertig." anywhere, the bar, status line, text panel and
// log say it was aborted, and the video made before stays as it was.
TEST_F(ProductionRunTest, AbbrechenDuringATransitionAbortsAndSaysSo) {
  form->Mode = "VCD";
  form->HighQuality = true;
  const QString out = video + "urlaub_koeln_2004__VCD.mpg";
  const QByteArray earlier = "die Fassung von gestern";
  ASSERT_TRUE(videotest::writeFile(out, earlier));
  int clickedDuring = 0;
  CaptureWatch watch;
  watch.onShown = [&](TCaptureForm*, int n) {
    if (n != 2) return;
    // While the second capture window shows, from its own event loop.
    QTimer::singleShot(0, form.get(), [&, n] {
      clickedDuring = n;
      clickAsUser(form->AbortBitBtn);
    });
  };
  form->show();
  form->MakeVideo();
  ASSERT_EQ(clickedDuring, 2);
  EXPECT_TRUE(form->Aborted());
  // The transition under way is finished, no further one is started.
  EXPECT_EQ(transitions, 2);
  EXPECT_EQ(testsupport::readBytes(out).toStdString(), earlier.toStdString());
  const QStringList log = readLog(form->LogFile());
  EXPECT_FALSE(log.contains("END"));
  EXPECT_FALSE(log.contains("Fertig.")) << log.join("\n").toStdString();
  ASSERT_FALSE(log.isEmpty());
  EXPECT_EQ(log.last().toStdString(), "Abgebrochen.");
  EXPECT_EQ(form->StepLabel->text().toStdString(), "Abgebrochen.");
  const QStringList memo = form->Memo1->toPlainText().split('\n');
  EXPECT_EQ(memo.last().toStdString(), "Abgebrochen.");
  EXPECT_FALSE(memo.contains("Fertig."));
  EXPECT_LT(form->ProgressBar1->value(), 100);
  EXPECT_TRUE(form->ProgressBar1->isTextVisible());
  EXPECT_EQ(form->ProgressBar1->text().toStdString(), "Abgebrochen.");
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
  EXPECT_GE(hints, 1);  // the user was told

  // The next run shows its progress again and ends "Fertig.", with the bar full.
  form->MakeVideo();
  EXPECT_FALSE(form->Aborted());
  EXPECT_EQ(form->StepLabel->text().toStdString(), "Fertig.");
  EXPECT_FALSE(form->ProgressBar1->isTextVisible());
  EXPECT_EQ(form->ProgressBar1->value(), 100);
  const QStringList next = readLog(form->LogFile());
  ASSERT_FALSE(next.isEmpty());
  EXPECT_EQ(next.last().toStdString(), "Fertig.");
}

// Abbrechen while the frames are resized for the SVCD encoder stops within a frame or two, and
// the sound track and the encoding do not start.
TEST_F(ProductionRunTest, AbbrechenWhileTheSvcdFramesAreResizedStopsThere) {
  form->Mode = "SVCD";
  form->HighQuality = true;
  const QString resizing = QString::fromUtf8("Bild für SVCD anpassen");
  bool clicked = false;
  QObject::connect(form->Memo1, &QPlainTextEdit::textChanged, form.get(), [&] {
    if (clicked || !form->Memo1->toPlainText().contains(resizing + " 5/")) return;
    clicked = true;
    QTimer::singleShot(0, form.get(), [&] { clickAsUser(form->AbortBitBtn); });
  });
  form->show();
  form->MakeVideo();
  ASSERT_TRUE(clicked);
  EXPECT_TRUE(form->Aborted());
  int last = 0;
  for (const QString& line : form->Memo1->toPlainText().split('\n'))
    if (line.startsWith(resizing + " ")) last = std::max(last, line.mid(resizing.size() + 1).section('/', 0, 0).toInt());
  EXPECT_LE(last, 7) << "frames resized after the click";
  const QString log = readLog(form->LogFile()).join("\n");
  EXPECT_FALSE(log.contains("START: AUDIO"));
  EXPECT_FALSE(log.contains("START: MPEG"));
  EXPECT_EQ(form->StepLabel->text().toStdString(), "Abgebrochen.");
  EXPECT_TRUE(runFilesLeft().isEmpty()) << runFilesLeft().join(",").toStdString();
}

// Every disc kind declares the 4:3 screen its frames are made for, as ffmpeg's own targets
// declare it for a 4:3 picture.
TEST_F(ProductionRunTest, EveryDiscKindDeclaresTheFourToThreeScreen) {
  form->HighQuality = true;
  form->Run.AudioFiles.clear();
  struct Case {
    bool pal;
    const char* mode;
    const char* target;
    const char* file;
  };
  const Case cases[] = {{true, "VCD", "pal-vcd", "urlaub_koeln_2004__VCD.mpg"},
                        {false, "VCD", "ntsc-vcd", "urlaub_koeln_2004__VCD.mpg"},
                        {true, "SVCD", "pal-svcd", "urlaub_koeln_2004__SVCD.mpg"},
                        {false, "SVCD", "ntsc-svcd", "urlaub_koeln_2004__SVCD.mpg"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    // ffmpeg's target on a 4:3 test picture.
    const QString reference = tmp.path() + "/" + c.target + ".mpg";
    QProcess ff;
    ff.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25:duration=0.4", "-target",
                        c.target, reference});
    ASSERT_TRUE(ff.waitForFinished(120000) && ff.exitCode() == 0) << ff.readAllStandardError().toStdString();
    const auto expected = videotest::stream(videotest::probe(reference, "-count_packets"), "video");
    ASSERT_FALSE(expected["display_aspect_ratio"].toString().isEmpty());

    QFile::remove(video + c.file);
    form->Mode = c.mode;
    form->Pal = c.pal;
    form->MakeVideo();
    ASSERT_FALSE(form->Failed()) << readLog(form->LogFile()).join("\n").toStdString();
    const auto v = videotest::stream(videotest::probe(video + c.file, "-count_packets"), "video");
    EXPECT_EQ(v["width"].toInt(), expected["width"].toInt());
    EXPECT_EQ(v["height"].toInt(), expected["height"].toInt());
    EXPECT_EQ(v["sample_aspect_ratio"].toString().toStdString(), expected["sample_aspect_ratio"].toString().toStdString());
    EXPECT_EQ(v["display_aspect_ratio"].toString().toStdString(), expected["display_aspect_ratio"].toString().toStdString());
  }
}

// An existing video of the same name is replaced only when the user says so. "Nein" ends the
// run with nothing touched: the video byte for byte, the log of the last run, no transition.
// The question is German, or English by the setting.
TEST_F(ProductionRunTest, AnExistingVideoIsReplacedOnlyWhenTheUserSaysSo) {
  form->Mode = "VCD";
  form->HighQuality = true;
  form->Run.AudioFiles.clear();
  const QString out = video + "urlaub_koeln_2004__VCD.mpg";
  const QByteArray earlier = "das Video von gestern";
  ASSERT_TRUE(videotest::writeFile(out, earlier));
  ASSERT_TRUE(videotest::writeFile(form->LogFile(), "BEGIN\r\nEND\r\n"));
  struct Case {
    const char* language;
    const char* asks;
  };
  const Case cases[] = {{"GERMAN", "Dieses Video gibt es schon:"}, {"ENGLISH", "This video already exists:"}};
  const QByteArray oldAppDir = qgetenv("KALVORA_APPDIR");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    // The program's own texts in the language of the setting.
    testsupport::TempFolder program;
    ASSERT_TRUE(QFile::copy(QString(KALVORA_SOURCE_DIR) + "/data/Language.ini", program.file("Language.ini")));
    kalvora::IniFile(program.file("Generator.ini")).writeString("SETTINGS", "Language", c.language);
    qputenv("KALVORA_APPDIR", (program.path() + "/").toUtf8());
    LoadLanguage();
    kalvora::ScriptedPrompter answers;
    answers.answerMessage(kalvora::mrNo);
    kalvora::PrompterScope scope(answers);
    form->show();
    form->MakeVideo();
    ASSERT_EQ(answers.questions().size(), 1u);
    const auto& q = answers.questions().front();
    EXPECT_EQ(q.kind, kalvora::MsgKind::Confirmation);
    EXPECT_EQ(q.buttons, kalvora::mbYes | kalvora::mbNo);
    EXPECT_TRUE(q.text.startsWith(QString::fromUtf8(c.asks))) << q.text.toStdString();
    EXPECT_TRUE(q.text.contains(out)) << q.text.toStdString();
    EXPECT_EQ(testsupport::readBytes(out).toStdString(), earlier.toStdString());
    EXPECT_EQ(testsupport::readBytes(form->LogFile()).toStdString(), "BEGIN\r\nEND\r\n");
    EXPECT_EQ(transitions, 0);
    EXPECT_FALSE(form->Running());
    EXPECT_FALSE(form->isVisible());
  }
  // Back to the texts the other tests expect (no language file: the built-in German ones).
  testsupport::TempFolder none;
  kalvora::IniFile(none.file("Generator.ini")).writeString("SETTINGS", "Language", "GERMAN");
  qputenv("KALVORA_APPDIR", (none.path() + "/").toUtf8());
  LoadLanguage();
  qputenv("KALVORA_APPDIR", oldAppDir);
  prompter.answerMessage(kalvora::mrYes);
  form->MakeVideo();
  ASSERT_FALSE(form->Failed());
  EXPECT_NE(testsupport::readBytes(out), earlier);
  EXPECT_EQ(videotest::stream(videotest::probe(out, "-count_packets"), "video")["codec_name"].toString(), "mpeg1video");
}

// The capture window keeps the production window's buttons, status line and progress bar in
// sight: beside the window when the screen has room, else over its text panel.
TEST_F(ProductionRunTest, TheCaptureWindowLeavesTheProgressInSight) {
  form->HighQuality = true;
  form->Run.AudioFiles.clear();
  form->EncoderPresent = false;
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* mode;
    QSize frame;
    bool maximized;
    bool beside;  // wholly beside the window
  };
  const Case cases[] = {{"VCD", QSize(352, 288), false, true}, {"SVCD", QSize(576, 480), true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    form->Mode = c.mode;
    form->Pal = true;
    if (c.maximized) {
      form->showMaximized();
    } else {
      form->showNormal();
      form->setGeometry(QRect(screen.topLeft() + QPoint(10, 10), QSize(400, 300)));
    }
    KV_WAIT_FOR(form->isVisible(), 60000);
    std::vector<QRect> places;
    QList<QRect> buttons, keep;
    QRect window;
    CaptureWatch watch;
    watch.onHidden = [&](TCaptureForm* capture) {
      places.push_back(capture->frameGeometry());
      window = form->frameGeometry();
      buttons = {globalRect(form->VideoBitBtn), globalRect(form->CloseBitBtn), globalRect(form->AbortBitBtn)};
      keep = {globalRect(form->StepLabel), globalRect(form->ProgressBar1)};
    };
    form->MakeVideo();
    ASSERT_FALSE(form->Failed());
    ASSERT_EQ(places.size(), 5u);
    for (const QRect& r : places) {
      EXPECT_EQ(r.size(), c.frame);
      EXPECT_TRUE(screen.contains(r)) << r.x() << "," << r.y();
      for (const QRect& b : buttons + keep) EXPECT_FALSE(r.intersects(b)) << r.x() << "," << r.y();
      if (c.beside) {
        EXPECT_FALSE(r.intersects(window)) << r.x() << "," << r.y();
      }
    }
    transitions = 0;
  }
}

TEST(CapturePlacement, BesideTheWindowOrOverWhatMattersLeast) {
  const QRect screen(0, 0, 1280, 900);
  const QSize svcd(576, 480);
  // A window at the left with room at its right.
  QPoint p = CapturePlace(screen, QRect(0, 0, 640, 520), {}, {}, svcd);
  EXPECT_GE(p.x(), 640);
  EXPECT_TRUE(screen.contains(QRect(p, svcd)));
  // At the right: the capture goes to its left.
  p = CapturePlace(screen, QRect(700, 100, 580, 500), {}, {}, svcd);
  EXPECT_LE(p.x() + svcd.width(), 700);
  // 720 x 520 on a window system that maximizes nothing: no side has room; the buttons along
  // its bottom stay uncovered, then as much as can be of the status line at its top.
  const QRect window(0, 0, 720, 520);
  const QList<QRect> buttons{{10, 480, 230, 30}, {245, 480, 230, 30}, {480, 480, 230, 30}};
  const QList<QRect> keep{{10, 10, 700, 20}, {10, 34, 660, 20}};
  p = CapturePlace(screen, window, buttons, keep, svcd);
  const QRect placed(p, svcd);
  EXPECT_TRUE(screen.contains(placed));
  for (const QRect& b : buttons) EXPECT_FALSE(placed.intersects(b));
  EXPECT_LE(placed.intersected(window).width(), 16);
  // Maximized: inside, between the progress bar and the buttons.
  const QRect full(0, 0, 1280, 900);
  const QList<QRect> fullButtons{{10, 860, 410, 30}, {430, 860, 410, 30}, {850, 860, 420, 30}};
  const QList<QRect> fullKeep{{10, 10, 1260, 20}, {10, 34, 1220, 20}};
  p = CapturePlace(screen, full, fullButtons, fullKeep, svcd);
  for (const QRect& r : fullButtons + fullKeep) EXPECT_FALSE(QRect(p, svcd).intersects(r));
  EXPECT_TRUE(screen.contains(QRect(p, svcd)));
  // Without a window: centred.
  EXPECT_EQ(CapturePlace(screen, QRect(), {}, {}, svcd), QPoint(352, 210));
}

TEST(ProductionNames, TitlesBecomeSafeFileNames) {
  EXPECT_EQ(ReplaceUmlauts(QString::fromUtf8("Urlaub Köln 2004!")), "urlaub_koeln_2004_");
  EXPECT_EQ(ReplaceUmlauts(QString::fromUtf8("Sommer in Österreich")), "sommer_in_oesterreich");
  EXPECT_EQ(ReplaceUmlauts("Ferien am Meer"), "ferien_am_meer");
  EXPECT_EQ(ReplaceUmlauts("a/b\\c:d*e"), "axbxcxdxe");
  EXPECT_EQ(ReplaceUmlauts(QString::fromUtf8("Tom & Jerry's \"Party\"")), "tom_a_jerry_s__party_");
  EXPECT_EQ(ReplaceUmlauts(QString(300, 'x')).size(), 200);
  EXPECT_EQ(ReplaceUmlauts(QString::fromUtf8("日本\n")), "___");
  EXPECT_EQ(DotToComma("2.5"), "2,5");
  EXPECT_EQ(DotToComma("2,5"), "2,5");
}

}  // namespace
