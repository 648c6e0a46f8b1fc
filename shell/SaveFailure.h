#pragma once
// Messages about files that could not be written: the reason in the user's language, told by
// what the write itself reported (a full disk, a read-only file, ...), never the system's own text.
#include <QString>

#include "FileOps.h"

namespace shellwin {

// "kein Platz mehr auf dem Datenträger" and the like; empty for WriteFailure::None.
QString WriteFailureReason(kalvora::WriteFailure why);

// A settings file that could not be saved: the message, the file on its own line, and the reason.
QString SettingsNotSavedText(const QString& file, kalvora::WriteFailure why);

// Shows SettingsNotSavedText.
void ReportSettingsNotSaved(const QString& file, kalvora::WriteFailure why);

}  // namespace shellwin
