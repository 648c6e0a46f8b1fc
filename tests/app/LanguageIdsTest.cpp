// Every text id the program looks up must be in the shipped Language.ini, in German and in
// English; otherwise a window silently falls back to its built-in text (or shows nothing).
// The ids are read from the sources themselves, so a new lookup cannot slip past this test.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <map>
#include <set>

#include "IniFile.h"

namespace {

const QString kSource = QStringLiteral(KALVORA_SOURCE_DIR);
const QStringList kFolders = {"app",    "platform",   "imaging", "listctrl", "effects", "shell", "player",
                              "production", "publishing", "editor",  "menus",    "raster",  "archive"};

// Calls of a lookup helper's name that are not a lookup by id (an overload taking only texts).
const QSet<QString> kPassThrough = {"publishing/PublishingTexts.cpp: PublishingText(german)"};

struct Source {
  QString path;  // relative to the source tree
  QString text;
};

std::vector<Source> programSources() {
  std::vector<Source> out;
  for (const QString& folder : kFolders) {
    QDirIterator it(kSource + "/" + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile f(it.next());
      if (!f.open(QIODevice::ReadOnly)) continue;
      out.push_back({f.fileName().mid(kSource.size() + 1), QString::fromUtf8(f.readAll())});
    }
  }
  return out;
}

// Functions that take an id and pass it straight to the lookup: "Text(int id, ...) { ...
// GetLanguageText(id) ...". Found in the sources, so a new helper is followed automatically.
// A helper defined or declared in a header counts everywhere, one private to a .cpp only there.
QSet<QString> lookupHelpers(const Source& s) {
  QSet<QString> names;
  static const QRegularExpression helper(
      R"((\w+)\(\s*int\s+id\b[^)]*\)\s*(?:const\s*)?\{[^}]*?GetLanguageText\(\s*id\s*\))");
  for (auto m = helper.globalMatch(s.text); m.hasNext();) names.insert(m.next().captured(1));
  return names;
}

struct Uses {
  std::map<int, std::set<QString>> ids;  // id -> files that use it
  QStringList unknownArguments;          // lookups whose id this test cannot read
};

Uses collectIds(const std::vector<Source>& sources) {
  Uses uses;
  QSet<QString> shared = {"GetLanguageText"};
  std::map<QString, const Source*> byPath;
  for (const Source& s : sources) byPath[s.path] = &s;
  for (const Source& s : sources) {
    if (s.path.endsWith(".h")) shared.unite(lookupHelpers(s));
    const auto header = byPath.find(s.path.chopped(4) + ".h");
    if (!s.path.endsWith(".cpp") || header == byPath.end()) continue;
    for (const QString& name : lookupHelpers(s))
      if (QRegularExpression("\\b" + name + R"(\(\s*int\s+id\b)").match(header->second->text).hasMatch()) shared.insert(name);
  }
  static const QRegularExpression call(R"(\b(\w+)\(\s*([^,()]*?)\s*[,)])");
  static const QRegularExpression number(R"(^\d{3,6}$)");
  static const QRegularExpression expression(R"(^[A-Za-z_][\w.:\[\]>-]*$)");
  // Indirect lookups the sources use: a table of {id, "ControlName", ...} entries looked up
  // through e.id, a local array ids[] = {...}, and a loop over a range of ids.
  static const QRegularExpression tableEntry(R"(\{\s*(\d{3,6})\s*,\s*")");
  static const QRegularExpression idArray(R"(\bids\[\]\s*=\s*\{([^}]*)\})");
  static const QRegularExpression idLoop(R"(for\s*\(\s*int\s+id\s*=\s*(\d+)\s*;\s*id\s*<=\s*(\d+)\s*;)");
  for (const Source& s : sources) {
    const QSet<QString> helpers = s.path.endsWith(".cpp") ? QSet<QString>(shared).unite(lookupHelpers(s)) : shared;
    for (auto it = call.globalMatch(s.text); it.hasNext();) {
      const auto m = it.next();
      if (!helpers.contains(m.captured(1))) continue;
      const QString arg = m.captured(2);
      if (number.match(arg).hasMatch()) {
        uses.ids[arg.toInt()].insert(s.path);
      } else if (expression.match(arg).hasMatch() && arg != "id" && arg != "e.id" && arg != "ids[i]") {
        if (kPassThrough.contains(s.path + ": " + m.captured(1) + "(" + arg + ")")) continue;
        uses.unknownArguments << s.path + ": " + m.captured(1) + "(" + arg + ")";
      }
    }
    if (s.text.contains("GetLanguageText(e.id)"))
      for (auto it = tableEntry.globalMatch(s.text); it.hasNext();) uses.ids[it.next().captured(1).toInt()].insert(s.path);
    for (auto it = idArray.globalMatch(s.text); it.hasNext();)
      for (const QString& id : it.next().captured(1).split(',')) uses.ids[id.trimmed().toInt()].insert(s.path);
    for (auto it = idLoop.globalMatch(s.text); it.hasNext();) {
      const auto m = it.next();
      for (int id = m.captured(1).toInt(); id <= m.captured(2).toInt(); ++id) uses.ids[id].insert(s.path);
    }
  }
  return uses;
}

}  // namespace

TEST(LanguageIds, EveryIdTheProgramUsesHasAGermanAndAnEnglishText) {
  const std::vector<Source> sources = programSources();
  ASSERT_GT(sources.size(), 100u) << "sources not found under " << kSource.toStdString();
  const Uses uses = collectIds(sources);
  EXPECT_TRUE(uses.unknownArguments.isEmpty())
      << "text lookups whose id this test cannot read; teach collectIds about them:\n"
      << uses.unknownArguments.join("\n").toStdString();
  // Sanity: the finder sees the kinds of lookup the program has.
  for (int id : {515, 1105, 1800, 2600, 2807, 3514, 6209, 10011, 100004}) EXPECT_TRUE(uses.ids.count(id)) << id;

  const kalvora::IniFile ini(kSource + "/data/Language.ini");
  QStringList missing;
  for (const auto& [id, files] : uses.ids) {
    for (const char* language : {"GERMAN", "ENGLISH"}) {
      if (ini.readString(language, QString::number(id)).trimmed().isEmpty())
        missing << QString("%1 %2 (%3)").arg(language).arg(id).arg(QStringList(files.begin(), files.end()).join(", "));
    }
  }
  EXPECT_TRUE(missing.isEmpty()) << "missing in data/Language.ini:\n" << missing.join("\n").toStdString();
}

// The publishing windows carry German and English fallbacks beside each id; they must say what
// the language file says, so a window reads the same with and without the file.
TEST(LanguageIds, PublishingFallbacksMatchTheLanguageFile) {
  const kalvora::IniFile ini(kSource + "/data/Language.ini");
  static const QRegularExpression call(
      R"re(PublishingText\(\s*(\d+)\s*,\s*((?:"(?:[^"\\]|\\.)*"\s*)+),\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re");
  static const QRegularExpression literal(R"re("((?:[^"\\]|\\.)*)")re");
  const auto join = [](const QString& literals) {
    QString s;
    for (auto it = literal.globalMatch(literals); it.hasNext();) s += it.next().captured(1);
    return s.replace("\\\"", "\"").replace("\\n", "\n");
  };
  int checked = 0;
  for (const Source& s : programSources()) {
    if (!s.path.startsWith("publishing/")) continue;
    for (auto it = call.globalMatch(s.text); it.hasNext();) {
      const auto m = it.next();
      const QString id = m.captured(1);
      EXPECT_EQ(join(m.captured(2)), ini.readString("GERMAN", id).trimmed()) << s.path.toStdString() << " " << id.toStdString();
      EXPECT_EQ(join(m.captured(3)), ini.readString("ENGLISH", id).trimmed()) << s.path.toStdString() << " " << id.toStdString();
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}
