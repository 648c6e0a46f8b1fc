// The transition effect list, the application of one line and the help page.
#include <QSet>

#include "EffectList.h"
#include "ShellFixture.h"
#include "ShellOpen.h"

using shelltest::ShellTest;

namespace {
// The effect codes the picture component accepts.
bool acceptedEffectCode(int code) {
  static const int ranges[][2] = {{1000, 1001},   {2000, 2554},   {3000, 3005},   {4000, 4029},
                                  {5000, 5263},   {6000, 6525},   {7000, 7263},   {8000, 8259},
                                  {9000, 9001},   {10000, 10003}, {11000, 11006}, {12000, 12009},
                                  {13000, 13007}, {14000, 14007}, {15000, 15035}, {16000, 16035}};
  for (const auto& r : ranges)
    if (code >= r[0] && code <= r[1]) return true;
  return false;
}

QStringList g_opened;
bool g_openResult = true;
bool recordOpen(const QString& path) {
  g_opened << path;
  return g_openResult;
}
}  // namespace

TEST(EffectLine, FieldsMapToTheEffectSettings) {
  const EffectSettings e = ParseEffectLine("2001;10;4;2;5");
  EXPECT_EQ(e.PaintEffect, 2001);
  EXPECT_EQ(e.EffectDelay, 10);
  EXPECT_EQ(e.EffectGrain, 4);
  EXPECT_EQ(e.PaintMaxPasses, 2);
  EXPECT_EQ(e.WandSize, 5);
  EXPECT_EQ(ParseEffectLine(" 3000 ; 0;$10;1;0 ").EffectGrain, 16);
}

TEST(EffectLine, BrokenLinesRaiseTheConversionError) {
  for (const char* line : {"2001;;4;2;5", "2001;10;4;2", "", "a;1;2;3;4", "1000;1;2;3;4x", "1000;1;2 3;4;5"})
    EXPECT_THROW(ParseEffectLine(line), EConvertError) << line;
}

TEST(EffectLine, ShippedListHas127LinesOverEveryFamily) {
  kalvora::StringList lines;
  ASSERT_TRUE(lines.loadFromFile(shelltest::sourceData("Effects.ini")));
  ASSERT_EQ(lines.count(), 127);
  QSet<int> families;
  for (const QString& line : lines.lines()) {
    const EffectSettings e = ParseEffectLine(line);
    EXPECT_TRUE(acceptedEffectCode(e.PaintEffect)) << line.toStdString();
    EXPECT_GE(e.EffectDelay, 0) << line.toStdString();
    EXPECT_TRUE(e.EffectGrain >= 1 && e.EffectGrain <= 256) << line.toStdString();
    EXPECT_TRUE(e.PaintMaxPasses >= 1 && e.PaintMaxPasses <= 64) << line.toStdString();
    EXPECT_GE(e.WandSize, 0) << line.toStdString();
    families << e.PaintEffect / 1000;
  }
  EXPECT_EQ(families.size(), 16);
}

TEST_F(ShellTest, ApplyEffectSetsThePreviewPicture) {
  kalvora::StringList lines({"2001;10;4;2;5", "2001;;4;2;5"});
  lines.saveToFile(appDir + "Effects.ini");
  TMainForm& f = start();
  f.ApplyEffect(1);
  EXPECT_EQ(f.PicImage1->PaintEffect(), 2001);
  EXPECT_EQ(f.PicImage1->EffectDelay(), 10u);
  EXPECT_EQ(f.PicImage1->EffectGrain(), 4u);
  EXPECT_EQ(f.PicImage1->PaintMaxPasses(), 2u);
  EXPECT_EQ(f.PicImage1->WandSize(), 5u);
  EXPECT_EQ(f.PicImage1->WandColor(), 0);
  EXPECT_FALSE(f.PicImage1->BackErase());
  // With an empty field the later fields move up: the delay becomes 4, the wand size is missing.
  EXPECT_THROW(f.ApplyEffect(2), EConvertError);
  EXPECT_EQ(f.PicImage1->EffectDelay(), 4u);
  EXPECT_EQ(f.PicImage1->PaintEffect(), 2001);
  EXPECT_TRUE(f.PicImage1->BackErase());  // left as the failing line found it
}

TEST_F(ShellTest, HelpOpensThePageOrSaysTheBrowserIsMissing) {
  SetShellOpenHook(recordOpen);
  g_opened.clear();
  g_openResult = true;
  TMainForm& f = start();
  f.Hilfedatei1->trigger();
  EXPECT_EQ(g_opened, QStringList({appDir + "help/help.html"}));
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  g_openResult = false;
  f.Hilfedatei1Click();
  QFile::remove(appDir + "help/help.html");
  g_openResult = true;
  f.Hilfedatei1Click();
  // Said in the user's language: no browser, then a page that is not there.
  const QString page = appDir + "help/help.html";
  EXPECT_EQ(prompter.messageTexts(), QStringList({GetLanguageText(14006) + "\n" + page,
                                                  GetLanguageText(14008) + "\n" + page}));
  EXPECT_TRUE(GetLanguageText(14006).startsWith(QString::fromUtf8("Der Internet-Browser konnte nicht")));
  SetShellOpenHook(nullptr);
}
