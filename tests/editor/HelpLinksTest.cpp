// The program's help links: every page the code opens is shipped in data/help/, the links
// inside the shipped pages lead to shipped files, and the red-eye panel's "mehr Hilfe..."
// opens its page through a real click.
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>

#include "EditorFixture.h"
#include "ShellOpen.h"

using namespace edtest;

namespace {

const QString kSource = QString::fromUtf8(KALVORA_SOURCE_DIR) + "/";

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The help pages named in the program's code: "help/<page>.html" literals and the help file
// name constant.
QSet<QString> pagesInCode() {
  QSet<QString> pages;
  const QRegularExpression literal(R"re(help/([A-Za-z0-9_.-]+\.html?)")re");
  const QRegularExpression constant(R"re(HelpFileName\s*=\s*QStringLiteral\("([^"]+)"\))re");
  for (const char* folder : {"app", "archive", "editor", "effects", "imaging", "listctrl", "menus", "platform",
                             "player", "production", "publishing", "raster", "shell"}) {
    QDirIterator it(kSource + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString text = readText(it.next());
      for (const auto& re : {literal, constant})
        for (auto m = re.globalMatch(text); m.hasNext();) pages.insert(m.next().captured(1));
    }
  }
  return pages;
}

QStringList recorded;
bool recordOpen(const QString& path) {
  recorded << path;
  return true;
}

class HelpLinksTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    recorded.clear();
    SetShellOpenHook(recordOpen);
  }
  void TearDown() override {
    SetShellOpenHook(nullptr);
    EditorTest::TearDown();
  }
  // The shipped help folder copied into the program folder, as the build puts it beside the
  // program.
  void shipHelp() {
    ASSERT_TRUE(QDir().mkpath(appDir + "help"));
    for (const QString& name : QDir(kSource + "data/help").entryList(QDir::Files))
      ASSERT_TRUE(QFile::copy(kSource + "data/help/" + name, appDir + "help/" + name)) << name.toStdString();
  }
  void clickHelpLink() {
    QLabel* link = editor->RoteAugenHelpLabel;
    ASSERT_TRUE(link->isVisible());
    const int width = link->fontMetrics().horizontalAdvance(QString::fromUtf8("mehr Hilfe..."));
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(link->contentsRect().left() + width / 2,
                                                                   link->contentsRect().center().y()));
  }
};

}  // namespace

TEST_F(HelpLinksTest, EveryPageTheProgramOpensIsShipped) {
  const QSet<QString> pages = pagesInCode();
  // The scan found the pages known to be linked (the red-eye page among them).
  for (const char* known : {"help.html", "vcd.html", "roteaugen.html"})
    EXPECT_TRUE(pages.contains(QString::fromLatin1(known))) << known;
  for (const QString& page : pages)
    EXPECT_TRUE(QFileInfo(kSource + "data/help/" + page).isFile()) << page.toStdString();
}

TEST_F(HelpLinksTest, LinksInsideTheShippedPagesLeadToShippedFiles) {
  const QRegularExpression href(R"re((?:href|src)\s*=\s*"([^"]+)")re", QRegularExpression::CaseInsensitiveOption);
  const QStringList shipped = QDir(kSource + "data/help").entryList({"*.html", "*.htm"}, QDir::Files);
  ASSERT_FALSE(shipped.isEmpty());
  for (const QString& page : shipped) {
    const QString text = readText(kSource + "data/help/" + page);
    EXPECT_TRUE(text.contains("<meta charset=\"utf-8\">")) << page.toStdString();
    for (auto m = href.globalMatch(text); m.hasNext();) {
      QString target = m.next().captured(1);
      if (target.contains("://") || target.startsWith("mailto:") || target.startsWith('#')) continue;
      target = target.section('#', 0, 0);
      EXPECT_TRUE(QFileInfo(kSource + "data/help/" + target).isFile()) << page.toStdString() << " -> "
                                                                       << target.toStdString();
    }
  }
}

TEST_F(HelpLinksTest, RedEyeMoreHelpOpensItsShippedPage) {
  shipHelp();
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  click(editor->Image19);
  clickHelpLink();
  ASSERT_EQ(recorded.size(), 1);
  EXPECT_EQ(recorded.first(), appDir + "help/roteaugen.html");
  EXPECT_TRUE(QFileInfo(recorded.first()).isFile());
  EXPECT_TRUE(readText(recorded.first()).contains("Rote Augen entfernen"));
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

TEST_F(HelpLinksTest, AMissingPageIsNamedToTheUser) {
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  click(editor->Image19);
  clickHelpLink();
  EXPECT_TRUE(recorded.isEmpty());
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().last().contains("roteaugen.html"));
  EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("Hilfeseite")));
}
