// Every drawing tool through one fixed script of presses, moves and releases (plain, then with Alt
// held and a NotXor pen): the pictures it leaves are held as digests. They were recorded once and
// checked by looking at the pictures (each tool draws its figure or brush where it was dragged);
// a change in any tool's press, move or release shows here. When a tool is changed on purpose,
// look at its pictures again and take the new digest from the failure message.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Bitmap24Qt.h"
#include "FxDrawImage.h"
#include "FxDrawTools.h"
#include "FxTestUtil.h"
#include "ScriptedPrompter.h"

using namespace kalvora;

namespace {

std::uint64_t Fnv(const void* data, std::size_t n, std::uint64_t h) {
  const auto* b = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h;
}

struct Script {
  TFxDrawImage host;
  TFxDrawTools& tools = host.DrawTools();
  FxRandom random{77};
  ScriptedPrompter prompter;
  std::uint32_t clock = 0;
  std::uint64_t digest = 14695981039346656037ull;

  explicit Script(const QString& tool) {
    host.setPicture(ToQImage(fxtest::scene(128, 128)));
    host.Shape = tool;
    tools.setRandom(&random);
    TFxCanvas& c = tools.Canvas();
    c.Pen.Color = 0x0000FF, c.Pen.Width = 3, c.Brush.Color = 0x00FF00;
    host.AirBrush().setClock([this] { return clock += 150; });  // every move may spray
    host.AirBrush().setSize(20);
    SetPrompter(&prompter);
  }
  ~Script() { SetPrompter(nullptr); }

  void drag(const std::vector<QPoint>& pts, Qt::KeyboardModifiers mods = {}) {
    tools.MouseDown(Qt::LeftButton, mods, pts.front().x(), pts.front().y());
    for (std::size_t i = 1; i < pts.size(); ++i) tools.MouseMove(mods, pts[i].x(), pts[i].y());
    tools.MouseUp(Qt::LeftButton, mods, pts.back().x(), pts.back().y());
  }
  void rightClick(QPoint p, Qt::KeyboardModifiers mods = {}) {
    tools.MouseDown(Qt::RightButton, mods, p.x(), p.y());
    tools.MouseUp(Qt::RightButton, mods, p.x(), p.y());
  }
  void record() {
    const QImage& pic = host.Picture();
    for (int y = 0; y < pic.height(); ++y) digest = Fnv(pic.constScanLine(y), std::size_t(pic.width()) * 3, digest);
    const QByteArray state = host.Shape.toUtf8() + (tools.drawing() ? "+" : "-") + QByteArray::number(tools.polygonCount());
    digest = Fnv(state.constData(), std::size_t(state.size()), digest);
  }

  // Four drags of several moves, a single click, a right click and one drag more; a spirograph
  // drag that fits the picture last. Then the same with Alt held, a NotXor pen without fill,
  // nested figures and another range.
  std::string run() {
    const std::vector<std::vector<QPoint>> drags = {
        {{40, 40}, {55, 48}, {70, 66}, {80, 75}}, {{50, 45}, {62, 58}, {66, 80}}, {{75, 40}, {45, 70}},
        {{60, 62}, {82, 30}},                     {{30, 90}, {30, 90}},
    };
    host.Tools.range = {20, 20, 40, 36};
    for (const auto& d : drags) drag(d);
    rightClick({64, 64});
    drag(drags[0]);
    drag({{84, 64}, {96, 70}, {104, 64}});
    record();

    host.stars = 3, host.starpoints = 7, host.polygonchecked = true, host.blocks = 5, host.spirals = 2;
    TFxCanvas& c = tools.Canvas();
    c.Pen.Mode = pmNotXor, c.Brush.Style = bsClear;
    host.Tools.range = {10, 70, 50, 100};
    for (const auto& d : drags) drag(d, Qt::AltModifier);
    rightClick({70, 20}, Qt::AltModifier);
    drag(drags[1], Qt::AltModifier);
    record();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
    return hex;
  }
};

// Recorded digests, one per tool name (the step names of the multi-step figures included).
const std::map<std::string, std::string>& Recorded() {
  static const std::map<std::string, std::string> m = {
      {"airbrush", "338297f4e7cb3699"},
      {"arc", "2919198535a553ed"},
      {"bars", "ba3489ebbd6ccf01"},
      {"bezier", "0d088c5ab3b6b507"},
      {"blocks", "0448cf62ca18e37d"},
      {"bluebrush", "7e0cbfc89c293785"},
      {"blurcurves", "f850c8a1145438b1"},
      {"blurlines", "7a5e91cb0f1f4f20"},
      {"blurovals", "6603239b9f1cc3fd"},
      {"blurpoly", "719cbab0eed66fec"},
      {"blurrects", "11e4823887739bb4"},
      {"border", "5bea6190300fd915"},
      {"brightnessbrush", "05deb8ae4cfdabc3"},
      {"chord", "566ae82c5c120faf"},
      {"cloneall", "c19ed095a343fa73"},
      {"clonenottarget", "5959952954c6b99d"},
      {"cmirror", "e95fdb19c25a73e3"},
      {"cone", "0ffef56ea41a26c9"},
      {"contrastbrush", "9c951d4d6fc5e43f"},
      {"cube", "b0192137c94b401b"},
      {"darkerbrush", "6e2f941dc3120d85"},
      {"decobar", "794e59f5801b134b"},
      {"decooval", "710a70b8eb59243d"},
      {"dropletsphere", "5e15085947cb1eb9"},
      {"ellipse", "af040a4cd5b57705"},
      {"fisheyebrush", "66d9a66753df83cc"},
      {"fisheyefixbrush", "e272176379d24b6a"},
      {"floodfill", "fb792e1640bf88cb"},
      {"freehand", "43b81aed74f7afb1"},
      {"globe", "923d1b0babb71e5d"},
      {"gradientbrush", "20f2de047037ca82"},
      {"graybrush", "d1611b2a8410e443"},
      {"greenbrush", "a963a91554f0bba1"},
      {"halfbluebrush", "a43e60ef3ba4f25d"},
      {"halfgreenbrush", "505a375cd1c549d7"},
      {"halfredbrush", "8cae7783831474ae"},
      {"hmirror", "6815ce49144cd4f7"},
      {"intercolumn", "18f9a7e179008bff"},
      {"interprect", "d0581738d489743c"},
      {"intersphere", "381a98a5bb71eea8"},
      {"lighterbrush", "90e69df9286a237c"},
      {"line", "6705bf1e8ad36c51"},
      {"maze", "675ce14a7c5b7517"},
      {"mbBottom", "baebe33098ded1a5"},
      {"mbDiamond", "0d335f1942a12847"},
      {"mbHor", "311d057abc48ab55"},
      {"mbHorBox", "501c029036011cc5"},
      {"mbHorOval", "040bf7784a55403f"},
      {"mbRound", "342afaf5a33753c5"},
      {"mbRound2", "4d0b1d32b957b161"},
      {"mbSplitRound", "b6b3757b61d2dced"},
      {"mbSplitWaste", "d9f14f24eff92a89"},
      {"mbTop", "e6c04afbb0214c43"},
      {"mbVerBox", "f5f379c712950ca5"},
      {"mbVerOval", "2b8a82d37794e9e3"},
      {"mbWaste", "385d008e58b2d367"},
      {"mirror4", "1c1448735db29d21"},
      {"mixbrush", "5cf0a512194ae565"},
      {"multisphere", "18d262f422a69be3"},
      {"notbluebrush", "85f4974ab7da6d8d"},
      {"notgreenbrush", "892c7eaadb39be37"},
      {"notredbrush", "64f106443ca32f3d"},
      {"paintpick", "5ae14f67ea0858c9"},
      {"paste", "780a0622c4361a0e"},
      {"pastecolor", "78c014f6973d67ad"},
      {"pastecolorx", "7b7e67a3db9ac728"},
      {"pie", "a92686c506e3afa1"},
      {"polybezier", "7eeac94464f0ea67"},
      {"polygon", "0f5e54a83be479ac"},
      {"polyline", "584901d74f239434"},
      {"rangemove", "dd01d8cd52a858b4"},
      {"rangesmear", "dba91770a6c736c7"},
      {"rectangle", "b91f500ee386b4b9"},
      {"redbrush", "b525ec178ee31ad1"},
      {"rimplebrush", "db941bf2c53b91d1"},
      {"risingwavesphere", "e0452e8383b0658a"},
      {"rollmixbrush", "57202906af1ff393"},
      {"rotatebrush", "8770a4f001f8c9c9"},
      {"roundrect", "35af9151c27ed2d5"},
      {"saturationbrush", "18812b6897e51fd5"},
      {"skewrect", "f5dc4bee1005609b"},
      {"sline", "c3a0ba6b984cf735"},
      {"smoothbrush", "6eb9b494d4d7a908"},
      {"snapshot", "5ae14f67ea0858c9"},
      {"spiral", "48a98d260e78cef3"},
      {"spiro", "65ee32a9d57cd5af"},
      {"star", "85afe8b9bbdb9f1b"},
      {"sym", "0135bfc8fa41c419"},
      {"texcurves", "b7d42ac7486318c7"},
      {"texlines", "e15e8d9db1ce3cfe"},
      {"texovals", "7f4897fc12adb1c0"},
      {"texpoly", "0eb3098da5ddb5eb"},
      {"texrects", "af09b1fe865a847d"},
      {"transcopy", "04418f54ee916cb9"},
      {"triangle", "61f2509271c8034b"},
      {"twistbrush", "cdf44dbd4ef44d3a"},
      {"vmirror", "95734690e10ea99b"},
      {"wavesphere", "84e8fdc08b8efd55"},
      {"zoombrush", "ceafd4fdda78ed21"},
      {"zoomkeepbrush", "c26d0a85c81ce611"},
      {"rotatetext", "b5e24eee592a998d"},
      {"spray", "0a3c521ad7dc7595"},
      {"waveline", "a88d35f0385ef4a5"},
      {"fastwaveline", "26af9d775c44007d"},
      {"colorwaveline", "e6a6e4d4c13fb9bd"},
      {"borderwaveline", "b43230773cc415fd"},
      {"decoline", "556e54a3161f6465"},
      {"cube1", "9cbde487ca52fba9"},
      {"cube2", "b0192137c94b401b"},
      {"chord1", "7e00fae565c4555b"},
      {"chord2", "3b9e689257e299f9"},
      {"chord3", "566ae82c5c120faf"},
      {"arc1", "9882c65eed87f2e1"},
      {"arc2", "74b9edbe07df35ef"},
      {"arc3", "2919198535a553ed"},
      {"pie1", "e3157811f3f44dd7"},
      {"pie2", "50ded2fc93fd96cd"},
      {"pie3", "a92686c506e3afa1"},
      {"skewrect1", "28bf25177cab6a9f"},
      {"skewrect2", "f5dc4bee1005609b"},
      {"triangle1", "fb1796f504788287"},
      {"triangle2", "61f2509271c8034b"},
      {"bezier1", "6afc502ae8d86957"},
      {"bezier2", "f63ba92697b3a4c5"},
      {"bezier3", "0d088c5ab3b6b507"},
  };
  return m;
}

}  // namespace

TEST(DrawToolsRecord, EveryToolLeavesTheRecordedPictures) {
  std::string fresh;
  int wrong = 0;
  for (const QString& name : TFxDrawTools::KnownTools()) {
    const std::string n = name.toStdString();
    Script s(name);
    const std::string got = s.run();
    fresh += "      {\"" + n + "\", \"" + got + "\"},\n";
    const auto it = Recorded().find(n);
    if (it == Recorded().end() || it->second != got) {
      ++wrong;
      ADD_FAILURE() << n << ": " << got;
    }
  }
  EXPECT_EQ(Recorded().size(), TFxDrawTools::KnownTools().size());
  if (wrong) std::printf("%s", fresh.c_str());
}
