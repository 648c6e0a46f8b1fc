#include "SaveFailure.h"

#include "ProgramWindows.h"

namespace shellwin {

QString WriteFailureReason(kalvora::WriteFailure why) {
  using F = kalvora::WriteFailure;
  switch (why) {
    case F::None: return QString();
    case F::NoSpace: return Text(10231, "kein Platz mehr auf dem Datenträger");
    case F::ReadOnly: return Text(10232, "die Datei ist schreibgeschützt");
    case F::Denied: return Text(10233, "keine Berechtigung zum Schreiben");
    case F::NoFolder: return Text(10234, "der Ordner fehlt");
    case F::NotAFile: return Text(10235, "an ihrer Stelle steht ein Ordner oder eine besondere Datei");
    case F::WriteError: break;
  }
  return Text(10236, "Schreibfehler");
}

QString SettingsNotSavedText(const QString& file, kalvora::WriteFailure why) {
  QString text =
      Text(10230, "Die Einstellungen konnten nicht gespeichert werden, die bisherige Datei bleibt unverändert:") +
      "\n" + file;
  if (const QString reason = WriteFailureReason(why); !reason.isEmpty())
    text += "\n" + Text(10205, "Grund:") + " " + reason;
  return text;
}

void ReportSettingsNotSaved(const QString& file, kalvora::WriteFailure why) {
  Inform(SettingsNotSavedText(file, why));
}

}  // namespace shellwin
