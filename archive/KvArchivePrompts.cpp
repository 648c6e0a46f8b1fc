#include "KvArchivePrompts.h"

#include <QString>

#include "Prompter.h"

namespace kv {

namespace {

bool ask(const std::string& text, const std::string& caption) {
  int r = kalvora::CurrentPrompter().message(kalvora::MsgKind::Confirmation, QString::fromStdString(caption),
                                             QString::fromStdString(text), kalvora::mbOk | kalvora::mbCancel);
  return r == kalvora::mrOk;
}

}  // namespace

void KvAskThroughPrompter(TKvZipArchive& archive) { archive.OnPrompt = ask; }

void KvAskThroughPrompter(TKvCustomZipBrowser& browser) { browser.SetOnPrompt(ask); }

}  // namespace kv
