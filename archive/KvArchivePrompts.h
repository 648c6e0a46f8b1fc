#pragma once
// The archive library asks for disks and part names through plain callbacks; this puts
// those questions in front of the user through the program's prompter.
#include "KvUnZipper.h"
#include "KvZip.h"

namespace kv {

// Disk and image requests of the archive become OK/Cancel questions; Cancel aborts.
void KvAskThroughPrompter(TKvZipArchive& archive);
// The same for every archive the component opens.
void KvAskThroughPrompter(TKvCustomZipBrowser& browser);

}  // namespace kv
