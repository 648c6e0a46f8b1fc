#include "KvArchivePrompts.h"

#include <QString>

#include "Prompter.h"

namespace kv {

void KvAskThroughPrompter(TKvZipArchive& archive) {
  archive.OnPrompt = [](const std::string& text, const std::string& caption) {
    int r = kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, QString::fromStdString(caption),
                                               QString::fromStdString(text), kalvora::mbOk | kalvora::mbCancel);
    return r == kalvora::mrOk;
  };
}

}  // namespace kv
